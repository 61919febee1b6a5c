#pragma once

#include <QImage>

// The calls of the slides module (zarnplay-slides.so), which the desktop
// loads when it first opens a slideshow: poppler links NSS, OpenJPEG and a
// dozen more libraries that every other run would load before its first
// frame.
extern "C" {
// A document with at least one readable page, or null.
void* zarn_slides_open(const char* pdf);
void zarn_slides_close(void* document);
// Page `index` (from 0) drawn as large as fits `width` x `height`; false
// when there is no such page.
bool zarn_slides_render(void* document, int index, int width, int height, QImage* out);
}
