// READSAO and WRITSAO through the row statements against the same routines
// through the generic engine: identical bytes written and identical records
// and statuses read, for every group at every version code, for random and
// damaged files, and for the station files; and lines too long for the
// input are bad records.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text_units.h"
#include "sao/sao_record.h"
#include "support/sao_files.h"
#include "support/slurp.h"

namespace kolm {
namespace {

using kolm::testing::slurp;

namespace fs = std::filesystem;
using fmt::IoStat;

constexpr int32_t GEN = 51, ROW = 52;

class SaoRows : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "kolm_saorows_XXXXXX").string();
        dir_ = mkdtemp(tmpl.data());
    }
    void TearDown() override {
        platform::close_unit(GEN);
        platform::close_unit(ROW);
        fs::remove_all(dir_);
    }
    std::string path(const char* name) const { return (fs::path(dir_) / name).string(); }
    // The file written by each engine from the same records (copies, since
    // the writer changes the true-height entries of its record).
    std::pair<std::string, std::string> write_both(const std::vector<std::unique_ptr<SaoRecord>>& recs) {
        const std::string pa = path("generic.sao"), pb = path("rows.sao");
        // New files each time: emptying one that is still being written out waits for the disk.
        fs::remove(pa);
        fs::remove(pb);
        EXPECT_EQ(platform::open_unit(GEN, pa, platform::UnitMode::write), 0);
        EXPECT_EQ(platform::open_unit(ROW, pb, platform::UnitMode::write), 0);
        auto copy = std::make_unique<SaoRecord>();
        for (const auto& r : recs) {
            *copy = *r;
            EXPECT_EQ(write_sao(GEN, *copy, SaoEngine::generic), IoStat::ok);
            *copy = *r;
            EXPECT_EQ(write_sao(ROW, *copy, SaoEngine::rows), IoStat::ok);
        }
        EXPECT_EQ(platform::close_unit(GEN), IoStat::ok);
        EXPECT_EQ(platform::close_unit(ROW), IoStat::ok);
        return {slurp(pa), slurp(pb)};
    }
    // Reads the text with both engines call by call until the file ends;
    // every call gives the same statuses and the same record. The number of
    // complete records.
    int read_both(const std::string& text, const char* what) {
        const std::string p = path("in.sao");
        fs::remove(p);
        std::ofstream(p, std::ios::binary) << text;
        EXPECT_EQ(platform::open_unit(GEN, p, platform::UnitMode::read), 0);
        EXPECT_EQ(platform::open_unit(ROW, p, platform::UnitMode::read), 0);
        auto a = std::make_unique<SaoRecord>(), b = std::make_unique<SaoRecord>();
        int16_t found_a = 0, found_b = 0;
        int complete = 0;
        for (int call = 0; call < 100000; ++call) {
            int32_t iend_a = 7, iend_b = 7;
            int16_t ierr_a = 9, ierr_b = 9;
            read_sao(iend_a, GEN, *a, found_a, ierr_a, SaoEngine::generic);
            read_sao(iend_b, ROW, *b, found_b, ierr_b, SaoEngine::rows);
            EXPECT_EQ(iend_a, iend_b) << what << " call " << call;
            EXPECT_EQ(ierr_a, ierr_b) << what << " call " << call;
            EXPECT_EQ(found_a, found_b) << what << " call " << call;
            if (std::memcmp(a.get(), b.get(), sizeof(SaoRecord)) != 0) {
                ADD_FAILURE() << what << ": the records differ after call " << call;
                break;
            }
            if (iend_a == 1 || iend_a != iend_b) break;
            complete += ierr_a == 0;
        }
        platform::close_unit(GEN);
        platform::close_unit(ROW);
        return complete;
    }
    std::string dir_;
};

struct Random {
    std::mt19937_64 rng;
    explicit Random(uint64_t seed) : rng(seed) {}
    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    bool chance(double p) { return std::bernoulli_distribution(p)(rng); }
    float real() {
        if (chance(0.0003)) return std::uniform_real_distribution<float>(-1.0f, 1.0f)(rng) * 1e9f;  // too large
        switch (uniform(0, 40)) {
            case 0: return -float(uniform(0, 99999)) / 1000.0f;
            case 1: return float(uniform(-64, 64)) / 8.0f;
            case 2: return 9999.0f;
            case 3: return std::uniform_real_distribution<float>(-1.0f, 1.0f)(rng) * std::pow(10.0f, float(uniform(-6, 3)));
            default: return float(uniform(0, 999999)) / 1000.0f;
        }
    }
};

// Every array of the record filled: digits where the format has one
// column, letters, numbers of every size.
void fill(SaoRecord& r, Random& g) {
    std::memset(static_cast<void*>(&r), 0, sizeof r);
    for (int grp = 1; grp <= SAO_NGROUPS; ++grp) {
        const SaoGroup& row = SAO_GROUPS[grp];
        SaoGroupData a = sao_group_data(r, grp);
        const int nint = row.cap_read;
        const int nreal = grp == 40 ? SAO_SHORT : row.kind == SaoKind::H ? row.cap_real : row.cap_read;
        for (int i = 0; a.ints && i < nint; ++i)
            a.ints[i] = row.slot_in == 7 ? g.uniform(0, 9) : g.chance(0.002) ? g.uniform(-99, 999) : g.uniform(0, 99);
        for (int i = 0; a.reals && i < nreal; ++i) a.reals[i] = g.real();
        for (int i = 0; a.dbls && i < SAO_QP; ++i) a.dbls[i] = double(g.real()) * (g.chance(0.5) ? 1.0 : 1.000000123);
    }
    for (int i = 1; i <= SAO_TEXT; ++i) {
        r.G2L1(i) = char(g.uniform(32, 126));
        r.G2L2(i) = char(g.uniform(32, 126));
        r.G3(i) = char(g.uniform(32, 126));
        r.G54(i) = char(g.uniform(32, 126));
        r.G55(i) = char(g.uniform(32, 126));
    }
    for (int i = 1; i <= MAXNH; ++i) {
        r.G51(i) = g.real();
        r.G52(i) = g.real();
    }
}

TEST_F(SaoRows, EveryGroupAtEveryVersionCodeWrittenAndReadAlike) {
    Random g(5);
    for (int32_t code : {0, 1, 2, 3, 5, 99}) {
        for (int grp = 1; grp <= SAO_NGROUPS; ++grp) {
            SCOPED_TRACE("code " + std::to_string(code) + " group " + std::to_string(grp));
            std::vector<std::unique_ptr<SaoRecord>> recs;
            for (int k = 0; k < 3; ++k) {
                auto r = std::make_unique<SaoRecord>();
                fill(*r, g);
                r->DFI.fill(0);
                r->DFI(1) = grp == 1 ? g.uniform(1, 16) : 5;
                const int cap = std::max<int>(1, SAO_GROUPS[grp].cap_write);
                r->DFI(grp) = grp == 2 ? g.uniform(1, 3) : k == 0 ? cap : g.uniform(0, cap);
                // The companions with their own counts, 0 among them.
                if (grp >= 51 && grp <= 53)
                    for (int c = 51; c <= 53; ++c) r->DFI(c) = c == grp ? std::max(1, r->DFI(grp)) : g.uniform(0, 40);
                if (grp >= 58 && grp <= 60)
                    for (int c = 58; c <= 60; ++c) r->DFI(c) = c == grp ? std::max(1, r->DFI(grp)) : g.uniform(0, 40);
                r->DFI(61 + k) = g.uniform(-99, 999);
                r->DFI(80) = code;
                recs.push_back(std::move(r));
            }
            auto [a, b] = write_both(recs);
            ASSERT_EQ(a, b);
            // Read back whole (values too large for a field read as a
            // failure), and with its last record cut.
            read_both(a, "written");
            read_both(a + a.substr(0, a.size() / 2), "written, then cut");
        }
    }
}

TEST_F(SaoRows, RandomAndDamagedFilesReadAlike) {
    for (uint64_t seed : {21u, 22u, 23u, 24u}) {
        Random g(seed);
        std::vector<std::unique_ptr<SaoRecord>> recs;
        for (int k = 0; k < 40; ++k) {
            auto r = std::make_unique<SaoRecord>();
            fill(*r, g);
            for (int grp = 1; grp <= SAO_NGROUPS; ++grp)
                r->DFI(grp) = g.chance(0.3) ? g.uniform(0, std::max<int>(1, SAO_GROUPS[grp].cap_write)) : 0;
            r->DFI(1) = g.uniform(1, 16);
            r->DFI(80) = std::array<int32_t, 5>{0, 1, 2, 4, 5}[std::size_t(g.uniform(0, 4))];
            recs.push_back(std::move(r));
        }
        auto [a, b] = write_both(recs);
        ASSERT_EQ(a, b) << seed;
        // Damage: lines dropped, doubled, cut, lengthened, blanked, made
        // CRLF, too long for the input, or garbage; single columns changed;
        // index entries changed to counts above the capacities or below 0.
        std::vector<std::string> lines;
        {
            std::stringstream ss(a);
            for (std::string l; std::getline(ss, l);) lines.push_back(l);
        }
        std::string damaged;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::string l = lines[i];
            const int what = g.uniform(0, 99);
            if (what == 0) continue;
            if (what == 1) damaged += l + "\n";
            if (what == 2) l.resize(std::size_t(g.uniform(0, int(l.size()))));
            if (what == 3) l += "  extra columns";
            if (what == 4) l.assign(l.size(), ' ');
            if (what == 5) l += '\r';
            if (what == 6) l = std::string(platform::MAX_LINE + std::size_t(g.uniform(1, 3000)), '7');
            if (what == 7) {
                l.clear();
                for (int k = g.uniform(0, 130); k > 0; --k) l += char(g.uniform(1, 255));
                std::replace(l.begin(), l.end(), '\n', ' ');
            }
            if (what >= 8 && what <= 15 && !l.empty()) {
                static const char damage[] = " 0123456789.-+E*x\t";
                l[std::size_t(g.uniform(0, int(l.size()) - 1))] = damage[g.uniform(0, int(sizeof damage) - 2)];
            }
            if (what == 16 && l.size() >= 120) l.replace(std::size_t(3 * g.uniform(0, 39)), 3, g.chance(0.5) ? "999" : " -5");
            damaged += l + "\n";
        }
        EXPECT_GT(read_both(a, "clean"), 5) << seed;
        read_both(damaged, "damaged");
    }
}

std::vector<fs::path> station_files() {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(fs::path(KOLM_SHARED_DATA) / "sao")) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST_F(SaoRows, StationFilesReadAndWrittenAlike) {
    std::string all;
    for (const fs::path& f : station_files()) {
        const std::string text = slurp(f.string());
        all += text;
        EXPECT_GE(read_both(text, f.filename().string().c_str()), 1);
        // Written back at code 5 and at their own codes.
        kolm::testing::Records recs = kolm::testing::read_all(f.string());
        ASSERT_FALSE(recs.empty());
        const std::size_t own = recs.size();
        for (std::size_t k = 0; k < own; ++k) {
            recs.push_back(std::make_unique<SaoRecord>(*recs[k]));
            recs.back()->DFI(80) = 5;
        }
        auto [a, b] = write_both(recs);
        EXPECT_EQ(a, b) << f.filename();
    }
    read_both(all, "all station files");
}

TEST_F(SaoRows, LinesTooLongForTheInputAreBadRecords) {
    // The second record has a line longer than the input takes: rejected,
    // and the next record reads; the unit counts the line.
    auto r = std::make_unique<SaoRecord>();
    Random g(9);
    fill(*r, g);
    r->DFI.fill(0);
    r->DFI(1) = 5;
    r->DFI(7) = 30;
    r->DFI(80) = 5;
    std::vector<std::unique_ptr<SaoRecord>> one;
    one.push_back(std::make_unique<SaoRecord>(*r));
    const std::string rec = write_both(one).first;
    std::string bad = rec;
    const std::size_t third = bad.find('\n', bad.find('\n') + 1) + 1;  // the constants' line
    bad.insert(third, std::string(3 * platform::MAX_LINE, '1'));
    const std::string p = path("long.sao");
    std::ofstream(p, std::ios::binary) << rec + bad + rec;
    ASSERT_EQ(platform::open_unit(ROW, p, platform::UnitMode::read), 0);
    auto back = std::make_unique<SaoRecord>();
    int32_t iend = 0;
    int16_t found = 0, ierr = 0;
    READSAO(iend, ROW, *back, found, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(platform::long_lines(ROW), 0u);
    READSAO(iend, ROW, *back, found, ierr);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(iend, 0);
    EXPECT_EQ(platform::long_lines(ROW), 1u);
    READSAO(iend, ROW, *back, found, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_FLOAT_EQ(back->R7(30), r->R7(30));
    READSAO(iend, ROW, *back, found, ierr);
    EXPECT_EQ(iend, 1);
    platform::close_unit(ROW);

    // A file of many megabytes without a line end: the file ends at once.
    const std::string q = path("noline.sao");
    {
        std::ofstream f(q, std::ios::binary);
        const std::string chunk(1 << 20, '5');
        for (int i = 0; i < 24; ++i) f << chunk;
    }
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(platform::open_unit(ROW, q, platform::UnitMode::read), 0);
    iend = 0;
    found = 0;
    READSAO(iend, ROW, *back, found, ierr);
    EXPECT_EQ(iend, 1);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(found, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
}  // namespace kolm
