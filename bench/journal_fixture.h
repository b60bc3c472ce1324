#pragma once
// A survey journal of many surveys for the benchmarks: objects made from
// the instrument files the simulator generates, each survey of its own
// instrument, object, read time and description.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/archive/object_definition.h"
#include "core/description/read_param_class.h"

namespace tkq::bench {

// The objects of one generated instrument (20 objects of `records`
// records each, decoded as a read decodes them).
std::vector<std::unique_ptr<CObjectDefinition>> GeneratedObjects(const CReadParamClass& description,
                                                                 size_t records = 300);

// Survey `i` of the fixture: one of `objects`, with an instrument, read
// time and description of its own (equal contents never repeat).
void MakeSurvey(CObjectDefinition& object, size_t i);

// A journal folder holding `count` surveys, indexed: made once under the
// temporary folder and reused by later runs.
std::filesystem::path JournalFixture(const CReadParamClass& description, size_t count = 10000);

}  // namespace tkq::bench
