#pragma once
// What the format tests share: arrays, files, the error log, the network with every kind and the network
// comparison.

#include "tests/support/arrays.h"
#include "tests/support/compare.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"
#include "tests/support/temp_file.h"
