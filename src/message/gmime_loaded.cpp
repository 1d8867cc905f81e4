#include "message/gmime_api.h"
#include "system/shared_library.h"

// GMime and the libraries it needs are loaded when the first message is
// read, not at start-up: a run that reads none pays nothing for them.
namespace nolvetta::message::native {

bool bindGmime(GmimeFunctions& functions) {
    const system::SharedLibrary library("libgmime-3.0.so.0");
#define NOLVETTA_GMIME_FIND(member, function) library.find(#function, functions.member)&&
    return NOLVETTA_GMIME_FUNCTIONS(NOLVETTA_GMIME_FIND) true;
#undef NOLVETTA_GMIME_FIND
}

}  // namespace nolvetta::message::native
