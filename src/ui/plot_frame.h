// The graphics window and the plot frame: window set-up, fonts, the frame
// of height against frequency with its labels and station line, the time
// and sunspot header, and the mapping of frequency and height to pixels.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kolm::ui {

// Sets the window up once: PLOTWN 1 and 2 (extents - 1), 9 (graphics on),
// white background; installs the drawing of the inversion's stage plots.
void GRAPHMODE();

// Selects font IFONT (1..6 of the font table) with a cell HEIGHT and WIDTH
// given as digit texts of up to 3 characters ("16 ", "7  ").
void FONTSET(int16_t IFONT, std::string_view HEIGHT, std::string_view WIDTH);

// Draws the frame for the current record and sets PLOTWN 3 to 7.
void SETCOORD();

// Station name for station ISTN at LAT, LON from "STATION.LST" (found by the
// data-file rule, read once per run and checked by identity at each call, so
// a list changed during the run is read again): the first line whose coordinates are within 1 degree (same
// station number) or 0.1 degree (any other number); "NO NAME" otherwise.
// NAME gets 20 characters.
void GETSTNAME(int32_t ISTN, float LAT, float LON, std::string& NAME);

// The time and sunspot lines above the frame.
void PLOTSSN();

// The graphics window is on (PLOTWN 9) and what is drawn goes somewhere:
// the plots draw, and format their texts, only then.
bool plotting();

// Frequency divisor S of the frame as SETCOORD set it (PLOTWN 7), at least 1.
int32_t frame_scale();

// Plot mapping of the frame: frequency (MHz) to x, height (km) to y. Values
// far outside the frame saturate instead of wrapping.
int32_t plot_x(float f);
int32_t plot_y(float h);

}  // namespace kolm::ui
