#pragma once
// "Communication settings": the pinpad's port, the ticket printer, the SMS account and the
// tracing level, written to the configuration file on OK.

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "port_enumeration.h"

class QComboBox;
class QLineEdit;
struct HostConfig;

// Where the dialog finds the ports it offers; tests put their own devices in.
struct PortSources {
    std::function<ComPortMap()> enumerateComPorts = EnumeratePinpadPorts;
    std::function<std::vector<std::string>()> listD2xxDevices = ListD2xxDevices;
};

class SerialSetUp : public QDialog {
    Q_OBJECT
public:
    // startPrinterTest runs after OK has written the file, so the printer line shows the new
    // printer's state.
    explicit SerialSetUp(std::function<void()> startPrinterTest, PortSources sources = {},
                         QWidget* parent = nullptr);

    // The caller's pinpad port before showing; the user's choice after OK.
    void SetPinpadPort(const std::string& device, int port, const ComPortMap& available);
    const std::string& PinpadDevice() const { return pinpadDevice_; }
    int PinpadPortNumber() const { return pinpadPort_; }
    const ComPortMap& AvailablePorts() const { return availablePorts_; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Prepare();
    void FillPortLists(const std::vector<std::string>& devices);
    void SelectPrinterType(int type);
    void SetControlsForPrinterType(int type);
    void OnPrinterTypeChosen(int index);
    void TakePinpadPort(HostConfig& config);
    void TakePrinterPort(HostConfig& config) const;

    QComboBox* pinpadPortList_;
    QComboBox* printerPortList_;
    QComboBox* printerTypeList_;
    QLineEdit* printerIpEdit_;
    QLineEdit* printerPortEdit_;
    QLineEdit* gsmUserEdit_;
    QLineEdit* gsmPasswordEdit_;
    QComboBox* paperWidthList_;
    QComboBox* tracingLevelList_;

    std::string pinpadDevice_;  // FTDI description of the pinpad, or empty
    int pinpadPort_ = 0;
    ComPortMap availablePorts_;

    std::function<void()> startPrinterTest_;
    PortSources sources_;
};
