// Bytes as cfgmgr would send them to a frontend: cut into frames and put together by
// the link code, each whole message handled by the frontend library. Nothing may read
// outside the bytes, and a message that does not decode is dropped.
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "cmclient/cmclient.h"
#include "cmclient/cmlink.h"
#include "platform/log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // Every dropped message is logged: not on every run of a fuzzer.
    static bool quiet = [] {
        logConfigure({false, false});
        return true;
    }();
    (void)quiet;
    // What one socket buffer holds, so that a single write hands over all of it.
    if (size > 65536) return 0;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) abort();
    if (size && write(ends[1], data, size) != ssize_t(size)) abort();
    close(ends[1]);
    cmLinkClient link;
    link.fd = ends[0];
    // Ends with -1 at the end of the stream, or earlier on a malformed frame.
    link.readAvailable(
        [](const uint8_t *bytes, uint32_t length) { cmFrontendTakeMessage(bytes, length); });
    link.close();
    return 0;
}
