#pragma once

#include <exception>

#include "form/captions.h"
#include "text/utf8.h"

namespace nolvetta::form {

// Runs what an event asks for; a failure in it is told through `report`,
// in the user's language, and goes no further: no exception leaves an event.
template <typename Act, typename Report>
void guarded(Act&& act, Report&& report) noexcept {
    std::exception_ptr failure;
    try {
        act();
        return;
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            report(captions::format(captions::Failed, {text::fromUtf8(e.what())}));
        } catch (...) {
            report(captions::format(captions::Failed, {captions::UnknownFailure}));
        }
    } catch (...) {  // nothing more can be told
    }
}

}  // namespace nolvetta::form
