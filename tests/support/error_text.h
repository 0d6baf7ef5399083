#pragma once
// The message of the exception of type E that `f` raises, or a marker when it raises none.
#include <string>

namespace ordo::test {

template <class E, class F>
std::string ErrorText(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "<no exception>";
}

}  // namespace ordo::test
