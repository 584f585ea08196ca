// One-based fixed arrays for the shared blocks and the routines' own storage.
//
// The system's arrays are indexed from 1, and a two-dimensional array is stored
// with its first index varying fastest. FArray and FArray2 keep that indexing
// through operator(); the bounds are checked by assert, which the sanitizer
// build keeps enabled.
#pragma once

#include <cassert>
#include <cstddef>

namespace kolm {

template <class T, int N>
struct FArray {
    T v[N];

    T& operator()(int i) {
        assert(i >= 1 && i <= N);
        return v[i - 1];
    }
    const T& operator()(int i) const {
        assert(i >= 1 && i <= N);
        return v[i - 1];
    }
    static constexpr int size() { return N; }
    T* data() { return v; }
    const T* data() const { return v; }
    void fill(const T& x) {
        for (T& e : v) e = x;
    }
};

// Lower bound other than 1, as in RSEG(0:20).
template <class T, int LO, int HI>
struct FArrayLo {
    T v[HI - LO + 1];

    T& operator()(int i) {
        assert(i >= LO && i <= HI);
        return v[i - LO];
    }
    const T& operator()(int i) const {
        assert(i >= LO && i <= HI);
        return v[i - LO];
    }
    T* data() { return v; }
    const T* data() const { return v; }
    void fill(const T& x) {
        for (T& e : v) e = x;
    }
};

// N1 x N2, first index fastest: element (i, j) at offset (i-1) + N1*(j-1).
template <class T, int N1, int N2>
struct FArray2 {
    T v[N1 * N2];

    T& operator()(int i, int j) {
        assert(i >= 1 && i <= N1 && j >= 1 && j <= N2);
        return v[(i - 1) + N1 * (j - 1)];
    }
    const T& operator()(int i, int j) const {
        assert(i >= 1 && i <= N1 && j >= 1 && j <= N2);
        return v[(i - 1) + N1 * (j - 1)];
    }
    // Column j as a pointer to its N1 elements (element i at [i-1]).
    T* column(int j) {
        assert(j >= 1 && j <= N2);
        return v + N1 * (j - 1);
    }
    T* data() { return v; }
    const T* data() const { return v; }
    void fill(const T& x) {
        for (T& e : v) e = x;
    }
};

}  // namespace kolm
