// The palette: the 24 named colours every drawing is made in, and the check of a colour index.
#include "internal.h"

namespace {

struct PaletteEntry {
    COLORREF colour;
    const char *name;
};

// Fixed at build time; index 1 is the background, index 2 the stand-in for a bad index.
const PaletteEntry palette[PLAKO_COLOUR_COUNT] = {
    {RGB(0, 0, 0), "black"},           {RGB(255, 255, 255), "white"},      {RGB(255, 0, 0), "red"},
    {RGB(0, 255, 0), "green"},         {RGB(0, 0, 255), "blue"},           {RGB(255, 255, 0), "yellow"},
    {RGB(255, 0, 255), "magenta"},     {RGB(0, 255, 255), "cyan"},         {RGB(153, 0, 204), "purple"},
    {RGB(0, 51, 153), "navy blue"},    {RGB(153, 102, 153), "dusty plum"}, {RGB(153, 255, 255), "ice blue"},
    {RGB(153, 255, 204), "turquoise"}, {RGB(255, 102, 0), "orange"},       {RGB(153, 102, 51), "brown"},
    {RGB(255, 153, 204), "pink"},      {RGB(255, 255, 153), "chalk"},      {RGB(204, 153, 51), "gold"},
    {RGB(255, 153, 102), "peach"},     {RGB(0, 102, 51), "forest green"},  {RGB(51, 204, 153), "sea green"},
    {RGB(153, 153, 51), "olive"},      {RGB(128, 128, 128), "50% gray"},   {RGB(204, 204, 204), "20% gray"},
};

// Callers pass checked indices; an unchecked one still reads inside the table (as red).
const PaletteEntry &entry(int colour) {
    return (colour >= 0 && colour < PLAKO_COLOUR_COUNT) ? palette[colour] : palette[PLAKO_RED];
}

}  // namespace

// Returns colour when it is 0..23; otherwise reports it on the console and returns red.
int plako_check_colour(int colour) {
    if (colour >= 0 && colour < PLAKO_COLOUR_COUNT) return colour;
    plako_console_printf("Illegal color %d; using RED.\n", colour);
    return PLAKO_RED;
}

// The colour value of a valid index.
COLORREF palette_colour(int colour) { return entry(colour).colour; }

// The lower-case name of a valid index, for console lines.
const char *palette_name(int colour) { return entry(colour).name; }
