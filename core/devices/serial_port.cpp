#include "serial_port.h"

#include "devices/serial_platform.h"

namespace sp = serial_platform;

CSerialPort::~CSerialPort() { Close(); }

void CSerialPort::CheckOpen() const {
    if (!IsOpen()) ThrowSerialException(sp::NotOpenError());
}

void CSerialPort::Open(int port, std::uint32_t baudRate, std::uint8_t parity,
                       std::uint8_t dataBits, std::uint8_t stopBits) {
    Close();
    handle_ = sp::OpenPort(port);
    timeouts_ = CommTimeouts{};
    inputQueue_ = 0;
    outputQueue_ = 0;
    LineErrorCounts counts;
    seenErrors_ = sp::ReadLineErrorCounts(handle_, counts) ? counts : LineErrorCounts{};

    Dcb dcb;
    GetState(dcb);
    dcb.BaudRate = baudRate;
    if (parity <= kSpaceParity) dcb.Parity = parity;
    dcb.ByteSize = dataBits;
    if (stopBits <= kTwoStopBits) dcb.StopBits = stopBits;
    dcb.fDsrSensitivity = false;
    dcb.fOutxCtsFlow = false;
    dcb.fOutxDsrFlow = false;
    dcb.fOutX = false;
    dcb.fInX = false;
    SetState(dcb);
}

void CSerialPort::Close() {
    if (!IsOpen()) return;
    sp::ClosePort(handle_);
    handle_ = kNoSerialHandle;
}

void CSerialPort::Attach(SerialHandle handle) {
    Close();
    handle_ = handle;
}

SerialHandle CSerialPort::Detach() {
    const SerialHandle handle = handle_;
    handle_ = kNoSerialHandle;
    return handle;
}

std::size_t CSerialPort::Read(void* buffer, std::size_t count) {
    CheckOpen();
    return sp::Read(handle_, buffer, count, timeouts_);
}

std::size_t CSerialPort::Write(const void* buffer, std::size_t count) {
    CheckOpen();
    return sp::Write(handle_, buffer, count, timeouts_);
}

void CSerialPort::GetState(Dcb& dcb) {
    CheckOpen();
    sp::GetState(handle_, dcb);
}

void CSerialPort::SetState(const Dcb& dcb) {
    CheckOpen();
    sp::SetState(handle_, dcb);
}

void CSerialPort::GetConfig(CommConfig& config) { GetState(config.dcb); }

void CSerialPort::SetConfig(const CommConfig& config) { SetState(config.dcb); }

void CSerialPort::GetDefaultConfig(int port, CommConfig& config) {
    sp::CheckPortExists(port);
    config = CommConfig{};
}

void CSerialPort::GetTimeouts(CommTimeouts& timeouts) {
    CheckOpen();
    sp::CheckAnswers(handle_);
    timeouts = timeouts_;
}

void CSerialPort::SetTimeouts(const CommTimeouts& timeouts) {
    CheckOpen();
    sp::CheckAnswers(handle_);
    timeouts_ = timeouts;
}

void CSerialPort::Setup(std::uint32_t inputQueue, std::uint32_t outputQueue) {
    CheckOpen();
    sp::CheckAnswers(handle_);
    inputQueue_ = inputQueue;
    outputQueue_ = outputQueue;
}

std::uint32_t CSerialPort::TakeLineErrors() {
    LineErrorCounts now;
    if (!sp::ReadLineErrorCounts(handle_, now)) return 0;
    std::uint32_t errors = 0;
    if (now.bufferOverrun != seenErrors_.bufferOverrun) errors |= kCeRxOver;
    if (now.overrun != seenErrors_.overrun) errors |= kCeOverrun;
    if (now.parity != seenErrors_.parity) errors |= kCeRxParity;
    if (now.frame != seenErrors_.frame) errors |= kCeFrame;
    if (now.brk != seenErrors_.brk) errors |= kCeBreak;
    seenErrors_ = now;
    return errors;
}

void CSerialPort::ClearError(std::uint32_t& errors) {
    CheckOpen();
    errors = TakeLineErrors();
}

void CSerialPort::ClearError(std::uint32_t& errors, ComStat& status) {
    CheckOpen();
    errors = TakeLineErrors();
    status = sp::QueueStatus(handle_);
}

std::uint32_t CSerialPort::BytesWaiting() {
    std::uint32_t errors = 0;
    ComStat status;
    ClearError(errors, status);
    return status.cbInQue;
}

void CSerialPort::GetModemStatus(std::uint32_t& flags) {
    CheckOpen();
    flags = sp::ModemStatus(handle_);
}

void CSerialPort::SetBreak() {
    CheckOpen();
    sp::SetBreak(handle_, true);
}

void CSerialPort::ClearBreak() {
    CheckOpen();
    sp::SetBreak(handle_, false);
}

void CSerialPort::GetProperties(CommProp& properties) {
    CheckOpen();
    sp::CheckAnswers(handle_);
    properties.dwMaxBaud = sp::MaxBaud();
    properties.dwCurrentRxQueue = inputQueue_;
    properties.dwCurrentTxQueue = outputQueue_;
}

void CSerialPort::Flush() {
    CheckOpen();
    sp::Drain(handle_);
}

void CSerialPort::Purge(std::uint32_t flags) {
    CheckOpen();
    sp::Purge(handle_, flags);
}

void CSerialPort::ClearDTR() {
    CheckOpen();
    sp::SetModemLine(handle_, sp::ModemLine::Dtr, false);
}

void CSerialPort::ClearRTS() {
    CheckOpen();
    sp::SetModemLine(handle_, sp::ModemLine::Rts, false);
}

void CSerialPort::SetDTR() {
    CheckOpen();
    sp::SetModemLine(handle_, sp::ModemLine::Dtr, true);
}

void CSerialPort::SetRTS() {
    CheckOpen();
    sp::SetModemLine(handle_, sp::ModemLine::Rts, true);
}

void CSerialPort::SetXoff() {
    CheckOpen();
    sp::SetOutputSuspended(handle_, true);
}

void CSerialPort::SetXon() {
    CheckOpen();
    sp::SetOutputSuspended(handle_, false);
}
