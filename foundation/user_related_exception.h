// The exception for errors the user must act on: it carries a code and a text, and its
// message reads "{code}: {text}".
#pragma once

#include <stdexcept>
#include <string>

namespace skyloom {

class UserRelatedException : public std::runtime_error {
public:
    UserRelatedException(int code, const std::string& text);

    int code() const noexcept { return code_; }
    const std::string& text() const noexcept { return text_; }

private:
    int code_;
    std::string text_;
};

} // namespace skyloom
