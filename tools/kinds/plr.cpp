// Record kinds: PLR.
#include <cstdio>

#include "kinds/kinds.h"

namespace {

// PLR hands back the library's own status words instead of filling the caller's.
uint32_t *plr_status = nullptr;

void print_plr(kinds::Printer &p, const kelvo_plr_struct &s, const uint32_t *) {
    p.u("GRP_CNT", s.GRP_CNT);
    if (!s.GROUPS) return;
    for (uint32_t g = 0; g < s.GRP_CNT; ++g) {
        const kelvo_plr_group &grp = s.GROUPS[g];
        // Elements that the record holds print even at their defaults (0, empty).
        const uint32_t *w = plr_status ? plr_status + 6 * g : nullptr;
        auto held = [w](int k) { return !w || (w[k] & KELVO_PRESENT) ? KELVO_VALID : 0u; };
        char buf[32];
        auto name = [&buf, &p, g](const char *field) {
            buf[0] = '\0';
            if (p.enabled()) std::snprintf(buf, sizeof buf, "%s[%u]", field, g);
            return buf;
        };
        p.u(name("GRP_INDX"), grp.GRP_INDX);
        p.u(name("GRP_MODE"), grp.GRP_MODE, held(0));
        p.u(name("GRP_RADX"), grp.GRP_RADX, held(1));
        p.text(name("PGM_CHAR"), grp.PGM_CHAR, held(2));
        p.text(name("RTN_CHAR"), grp.RTN_CHAR, held(3));
        p.text(name("PGM_CHAL"), grp.PGM_CHAL, held(4));
        p.text(name("RTN_CHAL"), grp.RTN_CHAL, held(5));
    }
}

}  // namespace

namespace kinds {

std::vector<RecordKind> plr_kinds() {
    return {
        make_kind<kelvo_plr_struct>(
            "PLR", KELVO_PLR_TYP, KELVO_PLR_SUB,
            {[](int h, const kelvo_header *hd, kelvo_plr_struct *s, uint32_t *) {
                 plr_status = nullptr;
                 return kelvo_plrbuf_read(h, hd, s, &plr_status);
             },
             [](kelvo_plr_struct *s, const void *img, const kelvo_attributes *a, uint32_t *) {
                 plr_status = nullptr;
                 kelvo_plr_to_struct(s, img, a, &plr_status);
             },
             kelvo_plr_buf, kelvo_plr_size, kelvo_plr_to_memory, kelvo_plrwrite, print_plr}),
    };
}

}  // namespace kinds
