// The words and sentence formats of the canvas's description, one table per language. A format
// names its values {0}, {1}, ... in any order, so that a translation may reorder them; the table's
// comments say what each value is. A translation is one new describe_XX.cpp defining a table and
// one line in describe.cpp's list of tables.
#ifndef PLAKO_DESCRIBE_TABLE_H
#define PLAKO_DESCRIBE_TABLE_H

struct DescribeTable {
    const char *language;  // the language part of LANG that picks the table, e.g. "en"
    // One call. {0} is the colour's name throughout (palette_name's English names, or the table's
    // colours below when it has them).
    const char *circle;               // {1}, {2}: centre; {3}: radius
    const char *oval;                 // {1}..{4}: the corners of its box
    const char *rectangle_filled;     // {1}, {2}: upper-left corner; {3}, {4}: lower-right corner
    const char *rectangle_outlined;   // as rectangle_filled; {5}: the line's width
    const char *triangle_filled;      // {1}..{6}: the three points
    const char *triangle_outlined;    // as triangle_filled; {7}: the line's width
    const char *line;                 // {1}, {2} to {3}, {4}; {5}: width
    const char *dot;                  // {1}, {2}: the pixel
    const char *text;                 // {1}: the words; {2}, {3}: first line's lower-left corner; {4}: size
    const char *text_line_separator;  // between the lines of a text of several lines
    const char *unknown;              // a call of a kind the package does not know
    const char *colours[24];          // the palette's names; null: palette_name's
    // Where a call is on the visible canvas.
    const char
        *regions[9];  // top left, top, top right, left, centre, right, bottom left, bottom, bottom right
    const char *across_whole;     // covers most of the canvas
    const char *across_rows[3];   // wide and low: along the top, middle, bottom
    const char *down_columns[3];  // narrow and tall: down the left, middle, right
    // The description's sentences.
    const char *item;           // {0}: the call's number since the erase; {1}: the call; {2}: its place
    const char *summary;        // {0}: the shapes; {1}: the texts
    const char *shapes[2];      // one shape, {0} shapes
    const char *texts[2];       // one text, {0} texts
    const char *nothing;        // nothing drawn since the erase
    const char *nothing_seen;   // calls were made, but none is visible
    const char *covered[2];     // one call / {0} calls wholly covered by later drawing
    const char *off_canvas[2];  // one call / {0} calls off the visible canvas
    const char *dropped[2];     // one / {0} earlier calls not kept (the scene's bounds)
    const char *no_memory;      // the description could not be made: no memory for it
    // The inspector's box under the calls it lists.
    const char *inspector_more;      // more calls paint the pixel than the box lists
    const char *inspector_nothing;   // no call paints the pixel
    const char *inspector_not_kept;  // none of the kept calls does, and earlier ones were not kept
};

extern const DescribeTable describe_en;

// The table of LANG's language, or English.
const DescribeTable &describe_table(void);

#endif
