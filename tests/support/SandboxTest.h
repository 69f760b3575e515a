#pragma once

// The fixture of a test that wants nothing but a machine of its own.

#include "support/Sandbox.h"

#include <gtest/gtest.h>

namespace nuvex::test {

class SandboxTest : public ::testing::Test
{
protected:
    Sandbox sandbox;
};

} // namespace nuvex::test
