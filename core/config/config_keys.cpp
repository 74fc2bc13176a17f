#include "config_keys.h"

namespace {

#define TB_CONFIG_FIELD(field) offsetof(HostConfig, field), sizeof(HostConfig::field)

constexpr ConfigKey kPrinterIp{"PRINTER_IP", ConfigValueKind::Text, TB_CONFIG_FIELD(printerIp)};
constexpr ConfigKey kPrinterPort{"PRINTER_PORT", ConfigValueKind::Int32, TB_CONFIG_FIELD(printerPort)};
constexpr ConfigKey kComPort{"COM_PORT", ConfigValueKind::Int32, TB_CONFIG_FIELD(comPort)};
constexpr ConfigKey kGsmUserName{"GSM_USER_NAME", ConfigValueKind::Text, TB_CONFIG_FIELD(gsmUserName)};
constexpr ConfigKey kGsmPassword{"GSM_PASSWORD", ConfigValueKind::Text, TB_CONFIG_FIELD(gsmPassword)};
constexpr ConfigKey kD2xxName{"D2XX_NAME", ConfigValueKind::Text, TB_CONFIG_FIELD(d2xxName)};
constexpr ConfigKey kPrinterD2xxDeviceName{"PRINTER_D2XX_DEVICE_NAME", ConfigValueKind::Text,
                                           TB_CONFIG_FIELD(printerD2xxDeviceName)};
constexpr ConfigKey kPrinterComPrnPort{"PRINTER_COM_PRN_PORT", ConfigValueKind::Int32,
                                       TB_CONFIG_FIELD(printerComPrnPort)};
constexpr ConfigKey kLoggingLevel{"LOGGING_LEVEL", ConfigValueKind::Int8, TB_CONFIG_FIELD(loggingLevel)};
constexpr ConfigKey kPrinterWidth{"PRINTER_WIDTH", ConfigValueKind::Int8, TB_CONFIG_FIELD(printerWidth)};
constexpr ConfigKey kPrinterType{"PRINTER_TYPE", ConfigValueKind::Int32, TB_CONFIG_FIELD(printerType)};

#undef TB_CONFIG_FIELD

}  // namespace

const std::array<ConfigKey, kConfigKeyCount> kConfigKeys{
    kPrinterIp,   kPrinterPort,           kComPort,           kGsmUserName,
    kGsmPassword, kD2xxName,              kPrinterD2xxDeviceName, kPrinterComPrnPort,
    kLoggingLevel, kPrinterWidth,         kPrinterType,
};
