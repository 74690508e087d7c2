// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>

struct wl_buffer;
struct wl_shm;

namespace mirelon {

// One ARGB8888 buffer in shared memory that the compositor reads and the
// program paints through a QImage over the same memory. Busy from attach
// until the compositor releases it.
class WaylandShmBuffer {
public:
    WaylandShmBuffer(wl_shm* shm, QSize pixelSize);
    ~WaylandShmBuffer();
    WaylandShmBuffer(const WaylandShmBuffer&) = delete;
    WaylandShmBuffer& operator=(const WaylandShmBuffer&) = delete;

    bool isValid() const { return buffer_ != nullptr; }
    QSize size() const { return size_; }
    wl_buffer* buffer() const { return buffer_; }
    // Premultiplied ARGB32 on a little-endian machine is WL_SHM_FORMAT_ARGB8888.
    QImage& image() { return image_; }
    const QImage& image() const { return image_; }

    bool isBusy() const { return busy_; }
    void markBusy() { busy_ = true; }
    // Whether the pixels are a whole frame (else they are to be painted whole).
    bool hasContent() const { return hasContent_; }
    void setHasContent(bool has) { hasContent_ = has; }

    // Protocol entry point: the compositor is done with the buffer.
    static void released(void* data, wl_buffer* buffer);

private:
    QSize size_;
    wl_buffer* buffer_ = nullptr;
    void* memory_ = nullptr;
    std::size_t bytes_ = 0;
    QImage image_;
    bool busy_ = false;
    bool hasContent_ = false;
};

}  // namespace mirelon
