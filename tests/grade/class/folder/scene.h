/* The scene of the folder submission: the flakes and the drawing. */
#define MAX_FLAKES 64
extern int flake_x[MAX_FLAKES], flake_y[MAX_FLAKES], flakes;
void draw_scene(int frame);
