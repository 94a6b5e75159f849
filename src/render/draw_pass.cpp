#include "render/draw_pass.h"

#include "app/app_state.h"

void draw_noblur(AppState*) {}
void draw_blur(AppState*) {}
void draw_fill(AppState*) {}
