// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WaylandShmBuffer.h"

#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandProtocols.h"

#include <sys/mman.h>
#include <unistd.h>

namespace mirelon {

namespace {
const wl_buffer_listener bufferListener{&WaylandShmBuffer::released};
}

WaylandShmBuffer::WaylandShmBuffer(wl_shm* shm, QSize pixelSize) : size_(pixelSize) {
    if (!shm || size_.isEmpty() || size_.width() > 16384 || size_.height() > 16384) {
        return;
    }
    const int stride = size_.width() * 4;
    bytes_ = std::size_t(stride) * std::size_t(size_.height());
    const int fd = memfd_create("mirelon-overlay", MFD_CLOEXEC);
    if (fd < 0) {
        qCWarning(lcWayland) << "No shared memory for an overlay buffer";
        return;
    }
    if (ftruncate(fd, off_t(bytes_)) < 0) {
        close(fd);
        qCWarning(lcWayland) << "No shared memory for an overlay buffer of" << size_;
        return;
    }
    memory_ = mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory_ == MAP_FAILED) {
        memory_ = nullptr;
        close(fd);
        return;
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int(bytes_));
    buffer_ = wl_shm_pool_create_buffer(pool, 0, size_.width(), size_.height(), stride,
                                        WL_SHM_FORMAT_ARGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_buffer_add_listener(buffer_, &bufferListener, this);
    image_ = QImage(static_cast<uchar*>(memory_), size_.width(), size_.height(), stride,
                    QImage::Format_ARGB32_Premultiplied);
}

WaylandShmBuffer::~WaylandShmBuffer() {
    image_ = QImage();
    if (buffer_) {
        wl_buffer_destroy(buffer_);
    }
    if (memory_) {
        munmap(memory_, bytes_);
    }
}

void WaylandShmBuffer::released(void* data, wl_buffer*) {
    static_cast<WaylandShmBuffer*>(data)->busy_ = false;
}

}  // namespace mirelon
