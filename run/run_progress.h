#pragma once

#include <cstddef>

namespace tolven {

// Follows a run while it goes on. The run calls these from whichever of its
// threads reaches the point, one call at a time, in this order: reading, then
// estimating (after each batch of units, units in ascending order), then
// writing, then writingRows (after each piece of the result table, rows in
// ascending order). An implementation hands the news on to its own thread itself.
class RunProgress {
public:
    virtual ~RunProgress() = default;
    virtual void reading() {}
    virtual void estimating(std::size_t unitsDone, std::size_t unitCount) {
        (void)unitsDone;
        (void)unitCount;
    }
    virtual void writing() {}
    virtual void writingRows(std::size_t rowsDone, std::size_t rowCount) {
        (void)rowsDone;
        (void)rowCount;
    }
};

}  // namespace tolven
