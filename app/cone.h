// The cone decorator: its state record and the handlers that the main loop lends it to.
#ifndef CONE_H
#define CONE_H

// What a click outside the button panel does.
#define MODE_ADD 1       // adds a topping
#define MODE_SELECT 2    // picks a topping
#define MODE_SELECTED 3  // moves the picked topping

// Kinds of topping.
#define TOPPING_TRIANGLE 0
#define TOPPING_DISC 1
#define TOPPING_BAR 2

#define TOPPING_MAX 50
#define SCOOP_MAX 5
#define LAST_INTRO_FRAME 150
// Every animation of the scene repeats after this many frames (the lcm of its periods), so
// stepping frame back by a multiple of it changes no picture.
#define FRAME_PERIOD 8400

// The whole state of the application, owned by WinMain; the toppings are four parallel arrays.
struct ConeState {
    int scoop_count;
    int mode;
    int selected_topping;
    int topping_count;
    int colour_cycle;
    int frame;
    int quit;
    int topping_x[TOPPING_MAX];
    int topping_y[TOPPING_MAX];
    int topping_kind[TOPPING_MAX];
    int topping_colour[TOPPING_MAX];
};

// ---- main.cpp ----
// The frame that follows frame: frame + 1, stepped back by whole animation periods at INT_MAX.
int next_frame(int frame);

// ---- scene.cpp ----
void clear_scene(void);
void draw_background(int frame);
void draw_flyers(int frame);
void draw_ray(int x, int y);
void draw_panel(int mode, int scoop_count);
void draw_status(int mode);
void draw_scoops(int scoop_count);
void draw_cone(int frame);
void draw_toppings(const int x[], const int y[], const int kind[], const int colour[], int topping_count,
                   int scoop_count);
void draw_topping_triangle(int x, int y);
void draw_topping_disc(int x, int y, int colour);
void draw_topping_bar(int x, int y, int colour);

// ---- panel.cpp ----
int panel_hit(int x, int y);
void panel_press(int x, int y, int &scoop_count, int colour[], int kind[], int &topping_count, int &mode,
                 int &selected_topping, int &quit);

// ---- toppings.cpp ----
int on_scoops(int x, int y, int scoop_count);
int topping_colour_for(int colour_cycle);
void cone_click(int x, int y, int scoop_count, int &topping_count, int colour[], int kind[], int tx[],
                int ty[], int &mode, int &selected_topping, int &colour_cycle);

// ---- intro.cpp ----
void draw_intro(int frame);
void draw_title_card(int frame);

#endif
