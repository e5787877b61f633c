// The DDF documents of the output check, made from fixed seeds.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct Document {
    std::string name;
    std::string bytes;
};

std::vector<Document> generatedDocuments();

} // namespace testing_support
