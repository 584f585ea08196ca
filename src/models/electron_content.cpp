// Total electron content.
//
// A section's content is FM**2 sum a(j) w(j)(FS/FM) x 1.238E-6 with the
// weights 1000 w(j) of the TECCOF table, interpolated linearly in the ratio.
#include "models/electron_content.h"

#include <cmath>

#include "blocks/peltarscale.h"
#include "blocks/peltartrueh.h"
#include "blocks/status.h"
#include "models/scale_height.h"
#include "models/table_files.h"
#include "platform/console.h"
#include "sections/coef_reexpression.h"

namespace kolm {

namespace {

constexpr int16_t TEC_KIND = 2;
// Chapman topside by kind: content factor C and scale factor F.
constexpr float TOP_CONTENT[2] = {1.71828f, 2.821f};
constexpr float TOP_SCALE[2] = {1.6f, 1.0f};

// The weights at ratio r: the first record whose key reaches r after a
// previous key at or below it, interpolated between the two; a key equal
// to r gives its own weights, a ratio outside the keys the nearest record.
void weights_at(const TableRecords& table, float r, float v[5]) {
    const TableRecord* prev = nullptr;
    const TableRecord* rec = nullptr;
    float r0 = 0.0f;
    for (const TableRecord& t : table) {
        rec = &t;
        if (r0 <= r && r <= t.V[0]) break;
        r0 = t.V[0];
        prev = &t;
    }
    const float key = rec->V[0];
    if (prev == nullptr || r >= key || !(key > r0)) {
        // Below the first key, above the last, or on a key.
        const TableRecord* near = (prev != nullptr && r - r0 < key - r) ? prev : rec;
        for (int j = 0; j < 5; ++j) v[j] = near->V[j + 1];
        return;
    }
    for (int j = 0; j < 5; ++j) v[j] = ((r - r0) * rec->V[j + 1] + (key - r) * prev->V[j + 1]) / (key - r0);
}

}  // namespace

void TECLAYER(float FS, float FM, const float* AC, float& TEC, int16_t& IERR) {
    IERR = 0;
    TEC = 0.0f;
    if (!(FM > 0.0f)) {
        IERR = 1;
        platform::console_line(" CANNOT CALCULATE ITEC BECAUSE OF WRONG PROFILE!");
        return;
    }
    if (FM == FS) return;
    const float r = FS / FM;
    const TableRecords* table = teccof_run_table();
    if (!table) {
        IERR = 2;
        platform::console_line("MISSING THE DATA FILE TECCOF.ASC AND CANNOT CALCULATE ITEC!");
        return;
    }
    float v[5];
    weights_at(*table, r, v);
    float sum = 0.0f;
    for (int j = 0; j < 5; ++j) sum += AC[j] * v[j];
    TEC = FM * FM * sum * TEC_WEIGHT_FACTOR;
}

void TECVALLEY(float FS, float FM, const float* AC, float WV, float DV, float& TEC, int16_t& IERR) {
    IERR = 0;
    TEC = 0.0f;
    if (WV == 0.0f) return;
    const float flat = TEC_FACTOR * FM * FM * WV;
    if (DV == 0.0f) {
        TEC = flat;
        return;
    }
    const float third = WV / 3.0f;
    const float FV = FM - DV;
    // a. The E shape re-expressed on FV..FM, scaled to span WV/3.
    float B[5] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    float v[5] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    if (FV > 0.0f) CONTPRFL(3, FS, FM, AC, FV, B);
    const float span = -B[0] - B[1] - B[2];
    for (int j = 0; j < 5; ++j) v[j] = third * B[j] / span;
    if (!(FV > 0.0f) || span == 0.0f || !std::isfinite(v[0] + v[1] + v[2])) {
        // No E-shaped part to integrate: the valley counts as flat.
        TEC = flat;
        return;
    }
    TECLAYER(FV, FM, v, TEC, IERR);
    // b. Linear in fN from FM to FV.
    TEC += 0.00041266667f * third * (FM * FM + FM * FV + FV * FV);
    // c. The flat floor.
    TEC += TEC_FACTOR * FV * FV * third;
}

void TECTOPSIDE(int16_t K, float FO, float H, float& TEC) {
    const int k = K == 1 ? 0 : 1;
    TEC = TEC_FACTOR * TOP_CONTENT[k] * H * FO * FO;
}

void CALTEC() {
    auto& C = LAYCOF;
    auto& D = DERPAR;
    int16_t& flag = SCLCHR.IERR;
    D.SHF = NOTCOMPUTED;
    if (SCALE2.IQUALE(iquale::STATUS) != status::PROFILE_OBTAINED) {
        D.ITEC = NOTCOMPUTED;
        return;
    }
    CALSHFPEAK(TEC_KIND);
    C.A.fill(0.0f);
    for (int i = 1; i <= 3; ++i) C.A(i) = C.AE(i);
    float sum = 0.0f, t = 0.0f;
    D.ITEC = NOTCOMPUTED;
    // E layer, valley, F1 layer, F2 bottomside.
    TECLAYER(C.FC(1), C.FC(2), C.A.data(), t, flag);
    if (flag > 0) return;
    sum += t;
    TECVALLEY(C.FC(1), C.FC(2), C.AE.data(), LAYCTL.W, LAYCTL.D, t, flag);
    if (flag > 0) return;
    sum += t;
    TECLAYER(C.FC(2), C.FC(3), C.AF1.data(), t, flag);
    if (flag > 0) return;
    sum += t;
    TECLAYER(C.FC(3), C.FC(4), C.AF2.data(), t, flag);
    if (flag > 0) return;
    sum += t;
    // Topside: none without a scale height.
    if (D.SHF >= NOTCOMPUTED) return;
    TECTOPSIDE(TEC_KIND, C.FC(4), TOP_SCALE[TEC_KIND - 1] * D.SHF, t);
    D.ITEC = sum + t;
}

}  // namespace kolm
