// The error a piece of test code raises, for checking its number and text.
#pragma once

#include <gtest/gtest.h>

#include "host/error.h"

namespace vmbgrid::testing {

// Runs f and returns the VMError it raised; fails the test when nothing was raised.
template <class F>
VMError Raised(F&& f) {
  try {
    f();
  } catch (const VMError& e) {
    return e;
  }
  ADD_FAILURE() << "expected a VMError";
  return VMError(0, "", "");
}

}  // namespace vmbgrid::testing
