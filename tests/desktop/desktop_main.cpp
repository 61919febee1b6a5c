#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

// Ends without running static destructors: the Qt multimedia and display
// libraries' globals crash when torn down after the application object.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::fflush(nullptr);
  std::_Exit(result);
}
