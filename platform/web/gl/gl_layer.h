// What the toolkit half of the browser layer needs from the GL half.
#pragma once

// The drawing buffer's size in pixels, for the viewport's default.
void glLayerStart(int width, int height);
// Hands everything batched so far to WebGL.
void glLayerFlush();
