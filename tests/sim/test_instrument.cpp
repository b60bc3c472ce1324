// The instrument model behind tarvik-kq-sim.
#include <gtest/gtest.h>
