#pragma once
// The format tests reach the shared test support (arrays, files, the error log, the network with every
// kind and the network comparison) as fixture::.

#include "tests/support/arrays.h"
#include "tests/support/compare.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"
#include "tests/support/temp_file.h"

namespace fixture {
using namespace vovido::test;
}  // namespace fixture
