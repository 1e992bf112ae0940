// A test fixture that runs a transform-product test once on the scalar transforms and once
// on the vector (IFMA) ones, skipped where the processor lacks them: the two compute the
// same exact products by different primes and code.
#pragma once

#include <gtest/gtest.h>

#include "numbers/decimal_ntt.h"

namespace vpx::mynum {

class EachTransformKernel : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!GetParam() && !VectorNttAvailable()) GTEST_SKIP() << "no IFMA on this processor";
    SetScalarNttForTest(GetParam());
  }
  void TearDown() override { SetScalarNttForTest(false); }
};

inline std::string KernelName(const ::testing::TestParamInfo<bool>& info) {
  return info.param ? "Scalar" : "Vector";
}

}  // namespace vpx::mynum

#define VPX_FOR_EACH_TRANSFORM_KERNEL(Suite) \
  INSTANTIATE_TEST_SUITE_P(Kernels, Suite, ::testing::Bool(), ::vpx::mynum::KernelName)
