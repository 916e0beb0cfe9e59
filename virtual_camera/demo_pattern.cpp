// The demo pattern, drawn a row at a time in BGR and packed into the
// buffer's pixel format.  Layout, top to bottom:
//   5/8 of the height: eight colour bars (white, yellow, cyan, green,
//       magenta, red, blue, black);
//   1/8: a grey band with a white square that moves a 60th of the way across
//       per frame and back (a 120-frame cycle);
//   1/4: on black, the frame number modulo 1,000,000 as six seven-segment
//       digits on the left half, and the frame number modulo 65,536 as a
//       16-cell bar code on the right half (most significant bit first,
//       white for 1, grey for 0, each cell opening with a black gap an
//       eighth of its width).
#include <linux/videodev2.h>

#include <algorithm>
#include <cstring>

#include "virtual_camera/frame_patterns.h"

namespace velmora::vcam {
namespace {

struct Bgr {
  std::uint8_t b, g, r;
};

constexpr Bgr kBars[8] = {{255, 255, 255}, {0, 255, 255}, {255, 255, 0}, {0, 255, 0},
                          {255, 0, 255},   {0, 0, 255},   {255, 0, 0},   {0, 0, 0}};
constexpr Bgr kWhite{255, 255, 255};
constexpr Bgr kGrey{64, 64, 64};
constexpr Bgr kBlack{0, 0, 0};

// Segments a..g of a seven-segment digit as bits 0..6.
constexpr std::uint8_t kDigitSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                             0x6D, 0x7D, 0x07, 0x7F, 0x6F};
constexpr int kDigits = 6;
constexpr int kCodeBits = 16;
constexpr std::uint32_t kSweepFrames = 60;

struct Layout {
  std::uint32_t width, height;
  std::uint32_t bars_end, band_end;
  std::uint32_t square_left, square_size;
  // The digits and the bar code share one strip of rows.
  std::uint32_t text_top, text_height;
  std::uint32_t digit_pitch, digit_width, segment;
  std::uint32_t code_left, code_cell;
  std::uint32_t digits[kDigits];
  std::uint32_t code;
};

Layout make_layout(std::uint32_t width, std::uint32_t height, std::uint64_t frame) {
  Layout l{};
  l.width = width;
  l.height = height;
  l.bars_end = height * 5 / 8;
  l.band_end = height * 6 / 8;
  l.square_size = std::min(l.band_end - l.bars_end, width);
  const auto phase = static_cast<std::uint32_t>(frame % (2 * kSweepFrames));
  const std::uint32_t step = phase < kSweepFrames ? phase : 2 * kSweepFrames - phase;
  l.square_left = (width - l.square_size) * step / kSweepFrames;

  const std::uint32_t strip = height - l.band_end;
  l.text_height = strip * 3 / 4;
  l.text_top = l.band_end + (strip - l.text_height) / 2;
  l.digit_pitch = width / 2 / kDigits;
  l.digit_width = std::min(l.text_height / 2, l.digit_pitch * 3 / 4);
  l.segment = std::max<std::uint32_t>(1, l.text_height / 10);
  auto number = static_cast<std::uint32_t>(frame % 1000000);
  for (int i = kDigits - 1; i >= 0; --i) {
    l.digits[i] = number % 10;
    number /= 10;
  }
  l.code_left = width / 2;
  l.code_cell = (width - l.code_left) / kCodeBits;
  l.code = static_cast<std::uint32_t>(frame & 0xFFFF);
  return l;
}

bool segment_lit(const Layout& l, std::uint32_t digit, std::uint32_t x, std::uint32_t y) {
  const std::uint32_t w = l.digit_width;
  const std::uint32_t h = l.text_height;
  const std::uint32_t t = l.segment;
  const std::uint8_t on = kDigitSegments[digit];
  const bool top = y < h / 2;
  const bool left = x < t;
  const bool right = x + t >= w;
  const bool middle = y + t / 2 >= h / 2 && y < h / 2 + (t + 1) / 2;
  return ((on & 0x01) && y < t) ||          // a
         ((on & 0x02) && right && top) ||   // b
         ((on & 0x04) && right && !top) ||  // c
         ((on & 0x08) && y + t >= h) ||     // d
         ((on & 0x10) && left && !top) ||   // e
         ((on & 0x20) && left && top) ||    // f
         ((on & 0x40) && middle);           // g
}

Bgr text_strip_pixel(const Layout& l, std::uint32_t x, std::uint32_t y) {
  if (y < l.text_top || y >= l.text_top + l.text_height) return kBlack;
  const std::uint32_t local_y = y - l.text_top;
  if (x >= l.code_left) {
    if (l.code_cell == 0) return kBlack;
    const std::uint32_t cell = (x - l.code_left) / l.code_cell;
    // A black gap opens each cell, so that runs of equal bits stay countable.
    if (cell >= kCodeBits || (x - l.code_left) % l.code_cell < l.code_cell / 8) return kBlack;
    return (l.code >> (kCodeBits - 1 - cell)) & 1 ? kWhite : kGrey;
  }
  if (l.digit_pitch == 0 || l.digit_width < 3) return kBlack;
  const std::uint32_t index = x / l.digit_pitch;
  const std::uint32_t margin = (l.digit_pitch - l.digit_width) / 2;
  const std::uint32_t local_x = x % l.digit_pitch;
  if (index >= kDigits || local_x < margin || local_x >= margin + l.digit_width) return kBlack;
  return segment_lit(l, l.digits[index], local_x - margin, local_y) ? kWhite : kBlack;
}

void draw_row(const Layout& l, std::uint32_t y, Bgr* row) {
  for (std::uint32_t x = 0; x < l.width; ++x) {
    if (y < l.bars_end) {
      row[x] = kBars[x * 8 / l.width];
    } else if (y < l.band_end) {
      const bool in_square = x >= l.square_left && x < l.square_left + l.square_size;
      row[x] = in_square ? kWhite : kGrey;
    } else {
      row[x] = text_strip_pixel(l, x, y);
    }
  }
}

// BT.601 limited-range conversion, in integers as V4L2 drivers do it.
std::uint8_t luma(const Bgr& p) {
  return static_cast<std::uint8_t>(((66 * p.r + 129 * p.g + 25 * p.b + 128) >> 8) + 16);
}
std::uint8_t chroma_u(const Bgr& p) {
  return static_cast<std::uint8_t>(((-38 * p.r - 74 * p.g + 112 * p.b + 128) >> 8) + 128);
}
std::uint8_t chroma_v(const Bgr& p) {
  return static_cast<std::uint8_t>(((112 * p.r - 94 * p.g - 18 * p.b + 128) >> 8) + 128);
}

void pack_yuyv(const Bgr* row, std::uint32_t width, std::uint8_t* out) {
  for (std::uint32_t x = 0; x < width; x += 2) {
    const Bgr& a = row[x];
    const Bgr& b = row[x + 1];
    const Bgr mean{static_cast<std::uint8_t>((a.b + b.b) / 2),
                   static_cast<std::uint8_t>((a.g + b.g) / 2),
                   static_cast<std::uint8_t>((a.r + b.r) / 2)};
    out[2 * x] = luma(a);
    out[2 * x + 1] = chroma_u(mean);
    out[2 * x + 2] = luma(b);
    out[2 * x + 3] = chroma_v(mean);
  }
}

}  // namespace

void render_demo(const FrameFormat& format, std::uint64_t frame, std::uint8_t* pixels) {
  const Layout layout = make_layout(format.width, format.height, frame);
  Bgr row[kMaxWidth];
  static_assert(sizeof(Bgr) == 3, "rows are copied as packed BGR24");
  const std::uint32_t stride = format.bytes_per_line();
  for (std::uint32_t y = 0; y < format.height; ++y) {
    draw_row(layout, y, row);
    std::uint8_t* out = pixels + static_cast<std::size_t>(y) * stride;
    if (format.fourcc == V4L2_PIX_FMT_YUYV) {
      pack_yuyv(row, format.width, out);
    } else {
      std::memcpy(out, row, static_cast<std::size_t>(format.width) * sizeof(Bgr));
    }
  }
}

}  // namespace velmora::vcam
