// The indexes layer: compound index files, tags, collations, external sort.
#pragma once
#include "indexes/index4.h"
#include "indexes/sort4.h"
