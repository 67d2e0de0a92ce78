// The median of a benchmark's repeated runs, which one slow run (the machine
// is shared) does not move the way it moves the mean.
#pragma once

#include <algorithm>
#include <vector>

template <typename T>
T Median(std::vector<T> samples)
{
    std::sort(samples.begin(), samples.end());
    std::size_t middle = samples.size() / 2;
    return samples.size() % 2 == 1 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}
