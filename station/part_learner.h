#pragma once

#include "station/measure_plan.h"
#include "station/part_comparison.h"

#include "device/part_description.h"
#include "device/payloads.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace station {

// The measures that learn a part, as `measures` chooses them, in the order static, button, capacitive;
// the capacitive one asks every capacitive pin, since where the pads are is what is being learned.
std::vector<measure_step> learnPlan(const tarnwell::check_set& measures);

// One good sample read as a part: the pairs as measured, a button for each Button ON or OFF pin facing a
// Common pin (in either order), a touch pad for each pin that reads Touch ON or OFF ("not connected" is
// no pad). Its check names the measures that were run.
struct sample_reading {
    tarnwell::part_description part;
    QString problem;  // why the sample cannot stand for a part ("pair 1-2 reported twice"); empty if none
};
sample_reading readSample(const tarnwell::firmware& firmware, const measured_part& measured);

// A pair's drops over the samples, in steps of 0.02 V, facing the learned pair.
struct drop_range {
    std::int8_t pin_a = 0;
    std::int8_t pin_b = 0;
    std::int8_t min_ab = 0, max_ab = 0;
    std::int8_t min_ba = 0, max_ba = 0;
    int spread_ab() const { return max_ab - min_ab; }
    int spread_ba() const { return max_ba - min_ba; }
};

// The middle value of an odd count; of an even count the lower of the two middle ones, a value the board
// reported rather than one between two steps. `steps` must not be empty.
std::int8_t medianDrop(std::vector<std::int8_t> steps);

// Learns a part from samples of good parts. The first sample sets the part; each later one must show the
// same firmware, measures, pairs (unordered, the same type on each pin), buttons and pad states, and only
// the drops may vary: the learned drop is their median.
class part_learner {
public:
    // Takes the next sample; false when it cannot stand for a part or disagrees with the first, and
    // problem() names the first such thing ("sample 3: pair 5-6 missing (open)"). After that every
    // sample is refused.
    bool add(const sample_reading& sample);
    int samples() const { return count; }
    const QString& problem() const { return trouble; }

    // The learned part: the first sample's, each drop the median of all samples'. Needs a sample.
    tarnwell::part_description part() const;
    // One per pair of the learned part, in its order.
    std::vector<drop_range> ranges() const;
    // A drop that spread over more than `limitVolts`: "pair 1-2: Vdrop(1->2) spread 0.06 V over 3
    // samples (1.78 V to 1.84 V), more than 0.05 V".
    QStringList spreadWarnings(double limitVolts) const;
    // The part file: comment lines saying when (UTC), from how many samples, at what sensitivity, and the
    // median rule; then the part, each pair followed by the spread of its drops.
    QString fileText(const QDateTime& when, int sensitivity) const;

private:
    QString disagreement(const tarnwell::part_description& sample) const;

    int count = 0;
    QString trouble;
    tarnwell::part_description first;
    std::vector<std::vector<std::int8_t>> drops_ab, drops_ba;  // per pair of `first`, per sample
};

}  // namespace station
