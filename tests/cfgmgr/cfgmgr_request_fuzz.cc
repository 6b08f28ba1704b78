// Arbitrary request texts into cfgmgr's store, one a line (a leading byte 1 or 2 makes
// the line a get-next or an exact get). Afterwards the store must save and read back to
// the same text, and the input read as a saved file must be taken or refused cleanly.
// A get-next is also read for its canonical text, as cfgmgr does to match a batch it
// prepared (the sanitizers watch the reads).
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "cfgmgr/persist.h"
#include "cfgmgr/store.h"
#include "cmclient/cm.h"
#include "cmclient/cm_readahead.h"

namespace {

bool init() {
    unsetenv("KARN_CONFIG_LOCATION");  // no file operation may touch a real directory
    std::string why;
    if (cfgStoreInit(CFGMGR_DATA_DIR, &why) != 0) {
        fprintf(stderr, "%s\n", why.c_str());
        abort();
    }
    return true;
}

void reset() {
    std::string why;
    cfgStoreClear();
    cfgRelayClear();
    if (cfgApplyFactory(&why) != 0) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool ready = init();
    (void)ready;
    std::string input(reinterpret_cast<const char *>(data), size);
    reset();
    std::istringstream lines(input);
    for (std::string line; std::getline(lines, line);) {
        uint32_t flags = CM_GET_PLAIN;
        if (!line.empty() && (line[0] == 1 || line[0] == 2)) {
            flags = line[0] == 1 ? CM_GET_NEXT : CM_GET_EXACT;
            line.erase(0, 1);
        }
        if (flags == CM_GET_NEXT) cmCanonicalGetOfText(line.c_str());
        cfgReply_t r = cfgStoreHandle(flags, line.c_str());
        if (r.status == 0 && r.message.empty()) abort();  // every failure says why
    }
    std::string saved = cfgPersistText(), why;
    if (cfgPersistParse(saved, &why) != 0 || cfgPersistText() != saved) {
        fprintf(stderr, "saved configuration does not read back: %s\n", why.c_str());
        abort();
    }
    cfgPersistParse(input, &why);
    return 0;
}
