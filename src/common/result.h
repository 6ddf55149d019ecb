#pragma once
// Result<T>: a value, or the reason (German) why there is none.
//
// The rule, for the whole program: a step that can fail for a reason the
// user reads — a file that cannot be opened, a picture that cannot be
// decoded, scaled or encoded, a folder that cannot take outputs, a settings
// file that cannot be used — returns Result<T> (Result<void> when there is
// no value). Nothing else carries such a reason: no bool with an out-string,
// no string that means success when empty, no exception thrown across a
// callback. Two kinds of code keep their exceptions, because their callers
// know them by number: the JPEG encoder's and the EXIF reader's errors
// (error.h). What a step did despite succeeding (a colour profile ignored,
// metadata left out) is no failure; such notes travel with the value.
//
//   Result<Surface> scaled = scalePicture(path, box);
//   if (!scaled) {
//       return scaled.failure();          // pass the reason on unchanged
//   }
//   use(*scaled);
//   ...
//   return Failure{"Datei ist leer"};     // fail with a reason of its own

#include <cassert>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

namespace vendrik {

// Why a step failed, as the user reads it.
struct Failure {
    std::string reason;
};

template <typename T>
class [[nodiscard]] Result {
public:
    // NOLINTNEXTLINE(google-explicit-constructor): `return value;` reads best
    Result(T value) : m_value(std::move(value)) {}
    // NOLINTNEXTLINE(google-explicit-constructor): `return Failure{...};`
    Result(Failure failure) : m_reason(std::move(failure.reason)) {}
    // A value of another type that converts (a derived object, a vector
    // for a vector), as `return value;` allows for T itself.
    template <typename U>
    requires(std::is_convertible_v<U&&, T> && !std::is_same_v<std::decay_t<U>, T> &&
             !std::is_same_v<std::decay_t<U>, Failure> && !std::is_same_v<std::decay_t<U>, Result>)
        // NOLINTNEXTLINE(google-explicit-constructor)
        Result(U&& value)
        : m_value(std::forward<U>(value)) {}

    [[nodiscard]] bool ok() const noexcept {
        return m_value.has_value();
    }
    explicit operator bool() const noexcept {
        return ok();
    }

    // The value; only when ok().
    [[nodiscard]] T& operator*() & {
        assert(ok());
        return *m_value;
    }
    [[nodiscard]] const T& operator*() const& {
        assert(ok());
        return *m_value;
    }
    [[nodiscard]] T&& operator*() && {
        assert(ok());
        return std::move(*m_value);
    }
    [[nodiscard]] T* operator->() {
        assert(ok());
        return &*m_value;
    }
    [[nodiscard]] const T* operator->() const {
        assert(ok());
        return &*m_value;
    }

    // Why there is no value; empty when ok().
    [[nodiscard]] const std::string& reason() const noexcept {
        return m_reason;
    }
    // The same reason, to return from a caller that fails with it.
    [[nodiscard]] Failure failure() const {
        return Failure{m_reason};
    }

private:
    std::optional<T> m_value;
    std::string m_reason;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    // NOLINTNEXTLINE(google-explicit-constructor): `return Failure{...};`
    Result(Failure failure) : m_ok(false), m_reason(std::move(failure.reason)) {}

    [[nodiscard]] bool ok() const noexcept {
        return m_ok;
    }
    explicit operator bool() const noexcept {
        return ok();
    }
    [[nodiscard]] const std::string& reason() const noexcept {
        return m_reason;
    }
    [[nodiscard]] Failure failure() const {
        return Failure{m_reason};
    }

private:
    bool m_ok = true;
    std::string m_reason;
};

}  // namespace vendrik
