#pragma once
// Failures are raised as exceptions; an event handler that fails ends there and the
// application's error box shows the text (see RunGuarded).
#include <functional>
#include <stdexcept>
#include <string>

namespace tastora {

class UiPort;

// A failure with a text meant for the learner's error box (UTF-8).
class TastoraError : public std::runtime_error {
public:
    explicit TastoraError(const std::string& text) : std::runtime_error(text) {}
};

// A number that does not convert ("'x' is not a valid integer value").
class ConvertError : public TastoraError {
public:
    explicit ConvertError(const std::string& text) : TastoraError(text) {}
};

// A failure code reported by COM (an HRESULT), e.g. a class that is not registered.
class ComError : public TastoraError {
public:
    ComError(long code, const std::string& text) : TastoraError(text), code_(code) {}
    long code() const { return code_; }

private:
    long code_;
};

// Runs one event handler: any failure ends the handler and is shown in the error box.
// Returns false when the handler failed.
bool RunGuarded(UiPort& ui, const std::function<void()>& handler);

}  // namespace tastora
