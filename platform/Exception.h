#pragma once
// The exception every routine of the simulator raises. Routines catch, put their own name in
// front ("PackRequest_1 function error:\n" + message) and raise again, so the text that reaches
// the operator reads as the path the failure took. The place of the first raise is kept for the
// engine's report.
#include <exception>
#include <source_location>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message,
                       std::source_location where = std::source_location::current());

    // A new exception whose message is prefix + the inner message; it keeps the inner's place.
    static Exception Prefixed(const std::string& prefix, const std::exception& inner);

    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

    // Where the failure was first raised.
    const std::string& Type() const noexcept { return type_; }
    int Line() const noexcept { return line_; }
    const std::string& File() const noexcept { return file_; }
    std::string Where() const; // "Exception at line <n> of <file>"

private:
    Exception(std::string message, std::string type, int line, std::string file);

    std::string message_;
    std::string type_;
    int line_ = 0;
    std::string file_;
};

// The message of any exception: ours, a standard one, or a fixed text for anything else.
std::string ExceptionMessage(const std::exception& e);
