#pragma once
// One exception tree for the whole library, split by what the caller should do.
#include <stdexcept>
#include <string>

namespace ordo {

/// Root of every failure the ordo libraries raise; the message is the text shown to the user.
class EOrdoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A text that does not convert to the number, date or type asked for (the platform's EConvertError).
class EConvertError : public EOrdoError {
public:
    using EOrdoError::EOrdoError;
};

/// A variant that cannot be read as the type asked for (the platform's EVariantTypeCastError).
class EVariantError : public EConvertError {
public:
    using EConvertError::EConvertError;
};

/// An index outside a list's bounds (the platform's EListError).
class EListError : public EOrdoError {
public:
    using EOrdoError::EOrdoError;
};

/// Bytes from the wire or a file that do not have the expected shape; drop the link or the file.
class EOrdoProtocolError : public EOrdoError {
public:
    using EOrdoError::EOrdoError;
};

/// A failure of the data-access layer (the platform's EDatabaseError).
class EDatabaseError : public EOrdoError {
public:
    using EOrdoError::EOrdoError;
};

/// An operating-system call that failed; the message names the call and the system's reason.
class EOSError : public EOrdoError {
public:
    EOSError(const std::string& what, int code) : EOrdoError(what), code_(code) {}
    [[nodiscard]] int Code() const noexcept { return code_; }
private:
    int code_;
};

}  // namespace ordo
