#pragma once
// The out-of-memory rule of the layers whose runs allocate as they go (equations/, learning/): their
// public entry points run the work through CatchOutOfMemory, so a failed allocation anywhere inside
// ends the call with kOutOfMemory, logged, as the lower layers answer it, instead of escaping. Being
// the public call, it also folds the notices the run logged (counted_notices.h).

#include <new>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/status_codes.h"

namespace vovido {

template <class Body>
int CatchOutOfMemory(Body&& body) {
    NoticeCall call;
    try {
        return call.Result(body());
    } catch (const std::bad_alloc&) {
        return call.Result(LogError(errorLog, kOutOfMemory, nullptr, nullptr));
    }
}

}  // namespace vovido
