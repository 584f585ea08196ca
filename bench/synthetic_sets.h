// Synthetic SAO inputs for the benchmarks, made from the records of the
// shared samples with their time stamps rewritten:
// - a month-changing set: every record in another month and another year
//   than the one before it (the model data of a new month at every record);
// - a station-year: one station sounding every 15 minutes through a common
//   year (35,040 records, the months in order).
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/text_units.h"
#include "sao/sao_record.h"
#include "sample_file.h"

namespace kolm::bench {

// The records of the sample files whose names start with PREFIX ("" all),
// in the order of the file names.
inline std::vector<std::unique_ptr<SaoRecord>> sample_records(const std::string& prefix = "") {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(fs::path(KOLM_SHARED_DATA) / "sao"))
        if (e.path().filename().string().rfind(prefix, 0) == 0) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    std::vector<std::unique_ptr<SaoRecord>> records;
    for (const fs::path& f : files)
        for (auto& r : read_file_records(f.string())) records.push_back(std::move(r));
    return records;
}

// Writes DIGITS digits of V into the time stamp from column COL (1-based) on.
inline void put_digits(SaoRecord& rec, int col, int digits, int v) {
    for (int k = digits - 1; k >= 0; --k) {
        rec.G3(col + k) = char('0' + v % 10);
        v /= 10;
    }
}

inline bool leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Day of year of MDAY in MONTH.
inline int day_of_year(int year, int month, int mday) {
    static const int before[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    return before[month - 1] + (month > 2 && leap(year) ? 1 : 0) + mday;
}

// The record's time stamp set to the date and time given, in both of its
// forms where the layout has two ("FF": four-digit year, day of year, month,
// day, time; "FE": the same, then two-digit year, day of year and time).
inline void set_time(SaoRecord& rec, int year, int month, int mday, int hour, int minute, int second) {
    const int doy = day_of_year(year, month, mday);
    const bool fe = rec.G3(1) == 'F' && rec.G3(2) == 'E';
    put_digits(rec, 3, 4, year);
    put_digits(rec, 7, 3, doy);
    put_digits(rec, 10, 2, month);
    put_digits(rec, 12, 2, mday);
    put_digits(rec, 14, 2, hour);
    put_digits(rec, 16, 2, minute);
    put_digits(rec, 18, 2, second);
    if (fe) {
        put_digits(rec, 20, 2, year % 100);
        put_digits(rec, 22, 3, doy);
        put_digits(rec, 25, 2, hour);
        put_digits(rec, 27, 2, minute);
        put_digits(rec, 29, 2, second);
    }
}

// Writes N records taken from the samples in turn; record i (from 0) is in
// year 1971 + 7i mod 55 and month 5i mod 12 + 1, on the 15th at the
// sample's own hour. False when a record could not be written.
inline bool write_month_changing_set(const std::string& path, int n) {
    constexpr int32_t OUT = 33;
    const auto samples = sample_records();
    if (samples.empty() || platform::open_unit(OUT, path, platform::UnitMode::write) != 0) return false;
    bool ok = true;
    auto rec = std::make_unique<SaoRecord>();
    for (int i = 0; i < n && ok; ++i) {
        *rec = *samples[std::size_t(i) % samples.size()];
        const int year = 1971 + (7 * i) % 55;
        const int month = (5 * i) % 12 + 1;
        const int hour = 10 * (rec->G3(14) - '0') + (rec->G3(15) - '0');
        set_time(*rec, year, month, 15, hour, 0, 0);
        ok = WRITSAO(OUT, *rec) == fmt::IoStat::ok;
    }
    return platform::close_unit(OUT) == fmt::IoStat::ok && ok;
}

// Writes the soundings of one station (the Tromso samples in turn) every 15
// minutes from 1 January 2019 00:00 to 31 December 23:45: 35,040 records.
inline bool write_station_year(const std::string& path) {
    constexpr int32_t OUT = 33;
    const auto samples = sample_records("TR169");
    if (samples.empty() || platform::open_unit(OUT, path, platform::UnitMode::write) != 0) return false;
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool ok = true;
    auto rec = std::make_unique<SaoRecord>();
    std::size_t i = 0;
    for (int month = 1; month <= 12 && ok; ++month)
        for (int mday = 1; mday <= days[month - 1] && ok; ++mday)
            for (int q = 0; q < 96 && ok; ++q, ++i) {
                *rec = *samples[i % samples.size()];
                set_time(*rec, 2019, month, mday, q / 4, 15 * (q % 4), 0);
                ok = WRITSAO(OUT, *rec) == fmt::IoStat::ok;
            }
    return platform::close_unit(OUT) == fmt::IoStat::ok && ok;
}

}  // namespace kolm::bench
