// Median-cut colour quantizer: histogram cells in, a palette and a cell-to-entry map out.
#include "tools/writers/colour_quantizer.h"

#include <algorithm>

namespace {

constexpr uint32_t kCells = ColourQuantizer::kLevels * ColourQuantizer::kLevels *
                            ColourQuantizer::kLevels;

struct Box {
    size_t begin, end;  // cells [begin, end) of the sorted cell list
    uint64_t pixels;
    double error;       // sum over the box's pixels of the squared distance to its mean
    int widest;         // the channel (0 R, 1 G, 2 B) whose spread is largest
    double mean[3];
};

}  // namespace

ColourQuantizer::ColourQuantizer() : count_(kCells), sum_(kCells * 3), map_(kCells) {}

void ColourQuantizer::add(const uint8_t* rgba, size_t pixels) {
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = rgba + i * 4;
        const uint32_t c = cell(p);
        ++count_[c];
        sum_[c * 3] += p[0];
        sum_[c * 3 + 1] += p[1];
        sum_[c * 3 + 2] += p[2];
    }
}

bool ColourQuantizer::build(int colours) {
    palette_.clear();
    if (colours < 1 || colours > 256) return false;
    std::vector<uint32_t> cells;
    for (uint32_t c = 0; c < kCells; ++c)
        if (count_[c]) cells.push_back(c);
    if (cells.empty()) return false;

    auto mean = [this](uint32_t c, int channel) {
        return static_cast<double>(sum_[c * 3 + channel]) / count_[c];
    };
    auto measure = [&](Box* box) {
        double sums[3] = {0, 0, 0}, squares[3] = {0, 0, 0};
        box->pixels = 0;
        for (size_t i = box->begin; i < box->end; ++i) {
            const uint32_t c = cells[i];
            box->pixels += count_[c];
            for (int k = 0; k < 3; ++k) {
                const double v = mean(c, k);
                sums[k] += v * count_[c];
                squares[k] += v * v * count_[c];
            }
        }
        box->error = 0;
        double spread = -1;
        for (int k = 0; k < 3; ++k) {
            box->mean[k] = sums[k] / static_cast<double>(box->pixels);
            const double variance = std::max(0.0, squares[k] - sums[k] * box->mean[k]);
            box->error += variance;
            if (variance > spread) {
                spread = variance;
                box->widest = k;
            }
        }
        if (box->end - box->begin < 2) box->error = 0;  // one cell cannot be split
    };

    std::vector<Box> boxes(1);
    boxes[0].begin = 0;
    boxes[0].end = cells.size();
    measure(&boxes[0]);
    while (static_cast<int>(boxes.size()) < colours) {
        size_t pick = 0;
        for (size_t b = 1; b < boxes.size(); ++b)
            if (boxes[b].error > boxes[pick].error) pick = b;
        Box box = boxes[pick];
        if (box.error <= 0) break;
        const int k = box.widest;
        // Cell coordinates order the cells along the channel; the cell number breaks ties so
        // that the order, and so the palette, never depends on the sort.
        const int shift = 12 - 6 * k;
        std::sort(cells.begin() + box.begin, cells.begin() + box.end,
                  [shift](uint32_t a, uint32_t b) {
                      const uint32_t ka = (a >> shift) & 63, kb = (b >> shift) & 63;
                      return ka != kb ? ka < kb : a < b;
                  });
        uint64_t below = 0;
        size_t split = box.begin + 1;
        for (size_t i = box.begin; i + 1 < box.end; ++i) {
            below += count_[cells[i]];
            split = i + 1;
            if (below * 2 >= box.pixels) break;
        }
        Box low = box, high = box;
        low.end = split;
        high.begin = split;
        measure(&low);
        measure(&high);
        boxes[pick] = low;
        boxes.push_back(high);
    }

    for (const Box& box : boxes)
        for (int k = 0; k < 3; ++k)
            palette_.push_back(static_cast<uint8_t>(std::min(255.0, box.mean[k] + 0.5)));
    for (uint32_t c : cells) {
        int best = 0;
        double bestDistance = 1e30;
        for (int e = 0; e < size(); ++e) {
            double d = 0;
            for (int k = 0; k < 3; ++k) {
                const double delta = mean(c, k) - palette_[e * 3 + k];
                d += delta * delta;
            }
            if (d < bestDistance) {
                bestDistance = d;
                best = e;
            }
        }
        map_[c] = static_cast<uint8_t>(best);
    }
    return true;
}
