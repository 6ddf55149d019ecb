#include "jpeg/scan_coding.h"

namespace vendrik::jpeg {

std::vector<ScanGroup> planScans(std::span<const JpegComponent> components) {
    std::vector<ScanGroup> groups;
    const int count = static_cast<int>(components.size());
    int a = 0;
    while (a < count) {
        int blocks = 0;
        int last = a;
        for (int i = a; i < count; ++i) {
            const auto& c = components[static_cast<std::size_t>(i)];
            blocks += c.H * c.V;
            if (blocks <= 10) {
                last = i;
                if (i == a + 2) {
                    break;
                }
            } else {
                last = (i > a) ? i - 1 : a;
                break;
            }
        }
        groups.push_back({a, last});
        a = last + 1;
    }
    return groups;
}

}  // namespace vendrik::jpeg
