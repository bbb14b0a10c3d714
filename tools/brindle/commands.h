// The sub-commands. Each returns the program's exit status.
#pragma once
#include "options.h"

namespace brindle {

int runInfo(const Options &o);
int runDump(const Options &o);
int runCount(const Options &o);
int runEval(const Options &o);
int runCreate(const Options &o);
int runAppend(const Options &o);
int runSet(const Options &o);
int runDelete(const Options &o, bool recall);
int runSeek(const Options &o);
int runCheck(const Options &o);
int runIndex(const Options &o);
int runReindex(const Options &o);
int runDropTag(const Options &o);
int runPack(const Options &o);

}  // namespace brindle
