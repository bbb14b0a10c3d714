// The indexes layer: compound index files, tags, key maintenance, building,
// collations, external sort.
#pragma once
#include "indexes/d4pack.h"
#include "indexes/i4create.h"
#include "indexes/index4.h"
#include "indexes/sort4.h"
#include "indexes/t4maint.h"
