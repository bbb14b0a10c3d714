// The queries layer: relations over a table, with a query and a sorted view.
#pragma once
#include "queries/relate4.h"
