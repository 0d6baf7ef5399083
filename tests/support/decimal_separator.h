#pragma once
// Pins the process's decimal separator for a test, so that number texts do not depend on the
// locale of the machine running it, and puts the one before back whatever the test set meanwhile.
#include "core/text_convert.h"

namespace ordo::test {

class DecimalSeparatorGuard {
public:
    explicit DecimalSeparatorGuard(char separator = '.') : saved_(DecimalSeparator()) { SetDecimalSeparator(separator); }
    ~DecimalSeparatorGuard() { SetDecimalSeparator(saved_); }
    DecimalSeparatorGuard(const DecimalSeparatorGuard&) = delete;
    DecimalSeparatorGuard& operator=(const DecimalSeparatorGuard&) = delete;

private:
    char saved_;
};

}  // namespace ordo::test
