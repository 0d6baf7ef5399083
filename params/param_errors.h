#pragma once
#include "core/errors.h"

namespace ordo {

/// Misuse of a parameter list: an index out of range, a missing name, a duplicate rename,
/// text that a typed item cannot take, a malformed parameter list string.
class EOrdoParamException : public EOrdoError {
public:
    using EOrdoError::EOrdoError;
};

}  // namespace ordo
