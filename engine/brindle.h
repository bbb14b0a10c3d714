// The engine's public face: every layer's plain functions and structures.
#pragma once

#include "foundation/bytes.h"
#include "foundation/c4ltoa.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/file4.h"
#include "foundation/mem4.h"
#include "foundation/u4name.h"

#if __has_include("tables/tables.h")
#include "tables/tables.h"
#endif
#if __has_include("expressions/expressions.h")
#include "expressions/expressions.h"
#endif
#if __has_include("indexes/indexes.h")
#include "indexes/indexes.h"
#endif
#if __has_include("queries/queries.h")
#include "queries/queries.h"
#endif
