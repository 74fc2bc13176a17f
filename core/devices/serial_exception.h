#pragma once
// The exception of the serial port wrapper: one failed system call on a port, with its error
// code (errno on POSIX). Thrown by value; catch it by reference.

#include <cstdint>
#include <exception>

class CSerialException : public std::exception {
public:
    explicit CSerialException(std::uint32_t error) : error_(error) {}

    std::uint32_t Error() const { return error_; }

    // Copies the system's text for the error into text, cut to maxChars characters including the
    // terminating zero, and stores 0 in *helpContext when given. Returns false with an empty text
    // when the system has no text for the code (and stores nothing when maxChars is 0).
    bool GetErrorText(char* text, unsigned maxChars, unsigned* helpContext = nullptr) const;

    // The run-time class name; the error text is GetErrorText's.
    const char* what() const noexcept override { return "CSerialException"; }

private:
    std::uint32_t error_;
};

// Throws CSerialException for error; 0 stands for the calling thread's last system error.
[[noreturn]] void ThrowSerialException(std::uint32_t error = 0);
