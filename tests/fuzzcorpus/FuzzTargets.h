// The fuzz targets' entry points as the replay test calls them (the table is
// generated from fuzz/*.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct FuzzTarget {
    std::string name;
    int (*run)(const uint8_t* data, size_t size);
};

const std::vector<FuzzTarget>& FuzzTargets();
