#include "serial_port_shutdown.h"

void ShutDownSerialPort(CSerialPort& port) {
    port.Purge(kPurgeRxAbort);
    port.ClearDTR();
    port.ClearRTS();
    port.SetDTR();
    port.SetRTS();
    port.SetXoff();
    port.SetXon();
    CommProp properties;
    port.GetProperties(properties);
    port.Purge(kPurgeTxClear);
    port.Purge(kPurgeRxClear);
    port.Flush();
    port.Close();
}
