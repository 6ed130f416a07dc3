// The live-object registry: handles are checked before use and counted for leak tests.
#include <unordered_map>

#include "kernel.h"

namespace plat {
namespace {
struct Registry {
    std::unordered_map<const void *, ObjKind> live;
    int counts[OBJ_KIND_COUNT] = {};
    // The last few objects found: a drawing call checks the same DC, pen and brush again and again.
    struct Recent {
        const void *p = nullptr;
        ObjKind k = OBJ_PEN;
    } recent[8];
    unsigned next_recent = 0;
};
Registry &registry() {
    static Registry *r = new Registry;  // never destroyed: objects may be freed during exit
    return *r;
}
}  // namespace

void obj_register(const void *p, ObjKind k) {
    if (!p) return;
    auto &r = registry();
    if (r.live.emplace(p, k).second) r.counts[k]++;
}

bool obj_unregister(const void *p, ObjKind k) {
    auto &r = registry();
    auto it = r.live.find(p);
    if (it == r.live.end() || it->second != k) return false;
    for (auto &e : r.recent)
        if (e.p == p) e.p = nullptr;
    r.live.erase(it);
    r.counts[k]--;
    return true;
}

bool obj_alive(const void *p, ObjKind k) {
    if (!p) return false;
    auto &r = registry();
    for (const auto &e : r.recent)
        if (e.p == p) return e.k == k;
    auto it = r.live.find(p);
    if (it == r.live.end()) return false;
    r.recent[r.next_recent++ % 8] = {p, it->second};
    return it->second == k;
}

int obj_count(ObjKind k) { return (k >= 0 && k < OBJ_KIND_COUNT) ? registry().counts[k] : 0; }

}  // namespace plat
