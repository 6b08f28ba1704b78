// Feeds arbitrary text to the object parser with the test, vlan and fdb modules.
#include <cstddef>
#include <cstdint>

#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "tests/cfgmgmt_object/test_module.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static cmObjectParser_t *parser = [] {
        registerTestModules();
        return cmObjectParserAlloc();
    }();
    if (size < 1) return 0;
    // The first byte picks the module.
    static const char *const kModules[] = {"tst", "vlan", "fdb"};
    const char *module = kModules[data[0] % 3];
    cmObject_t *o = cmObjectParse(parser, module, reinterpret_cast<const char *>(data + 1),
                                  static_cast<uint32_t>(size - 1));
    if (o) cmFuncTableEntryGet(module)->free(o, cmFree_all);
    return 0;
}
