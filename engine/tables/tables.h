// The tables layer: table files and handles, fields, memo files, dates.
#pragma once
#include "tables/data4.h"
#include "tables/date4.h"
#include "tables/field4.h"
#include "tables/index_seam.h"
#include "tables/memo4.h"
