// Patterns for the rotate-zoom tests, registered from a DAR file built with the
// darfile writer.
#pragma once

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "pattern/dar_fixture.h"
#include "sprox.h"

namespace roto {

struct Registered {
    std::vector<dar::Picture> pictures;
    dartest::TempFile file;

    explicit Registered(std::vector<dar::Picture> p, int first = 0)
        : pictures(std::move(p)), file(dartest::MakeArchive(pictures))
    {
        EXPECT_EQ(SX_PatEntryDARFile(first, static_cast<int>(pictures.size()), file.path()),
                  static_cast<int>(pictures.size()));
    }
};

} // namespace roto
