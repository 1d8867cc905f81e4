#include "message/gmime_api.h"

// GMime linked into the program, which then needs no library beside it.
namespace nolvetta::message::native {

bool bindGmime(GmimeFunctions& functions) {
#define NOLVETTA_GMIME_TAKE(member, function) functions.member = &function;
    NOLVETTA_GMIME_FUNCTIONS(NOLVETTA_GMIME_TAKE)
#undef NOLVETTA_GMIME_TAKE
    return true;
}

}  // namespace nolvetta::message::native
