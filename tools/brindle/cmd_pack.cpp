// brindle pack TABLE
#include <cstdio>

#include "commands.h"
#include "session.h"
#include "indexes/d4pack.h"

namespace brindle {

int runPack(const Options &o) {
    if (o.args.size() != 1) {
        complain("pack needs one TABLE (see brindle pack --help)");
        return kUsage;
    }
    Session s(o);
    PACK4RESULT r{};
    if (d4packFile(s.code(), o.args[0].c_str(), &r) != 0) return kEngineError;
    std::printf("%ld of %ld records kept", r.recordsKept, r.recordsBefore);
    if (r.memoBytesBefore || r.memoBytesAfter)
        std::printf("; memo file %lld bytes, was %lld", (long long)r.memoBytesAfter, (long long)r.memoBytesBefore);
    std::printf("\n");
    return kOk;
}

}  // namespace brindle
