#pragma once

// The tool's one error type. Every step that can fail returns its value or a Failure by value,
// and the run prints the Failure it ends with as one line on stderr:
//   Result<SessionScan> scan = ScanNamedSession(session, "ls");
//   if (!scan) {
//       return scan.failure();  // "kelvista-replay: ls: no session 3 (...)", exit 1
//   }
//   Use(*scan);

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace kelvista::replaycli {

// Exit codes shared by every command.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // absent, unreadable, refused or unwritable
inline constexpr int kExitUsage = 2;    // unknown command or option, missing or extra argument

// Why something did not succeed: the exit code the run ends with, and the one line that says why
// ("<command>: ..."). An empty message only sets the code: what went wrong was printed already
// (check's findings, frames an export could not write).
struct Failure {
    int exitCode = kExitFailure;
    std::string message;
};

// A value, or the Failure that stands in for it.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : m_state(std::in_place_index<1>, std::move(failure)) {}

    explicit operator bool() const { return m_state.index() == 0; }
    T& operator*() { return std::get<0>(m_state); }
    const T& operator*() const { return std::get<0>(m_state); }
    T* operator->() { return &std::get<0>(m_state); }
    const T* operator->() const { return &std::get<0>(m_state); }
    const Failure& failure() const { return std::get<1>(m_state); }

private:
    std::variant<T, Failure> m_state;
};

// A step that gives no value: done, or the Failure that stopped it.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : m_failure(std::move(failure)) {}

    explicit operator bool() const { return !m_failure; }
    const Failure& failure() const { return *m_failure; }

private:
    std::optional<Failure> m_failure;
};

using Status = Result<void>;

}  // namespace kelvista::replaycli
