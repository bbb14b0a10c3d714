// The indexes layer: compound index files, tags, collations, external sort.
#pragma once
#include "indexes/sort4.h"
