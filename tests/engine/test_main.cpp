// The engine tests' main: the test folders and data sources first.

#include "EngineTestEnv.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    enginetest::SetUp();
    return RUN_ALL_TESTS();
}
