#include "formats/gif/gif_records.h"

#include <algorithm>
#include <stdexcept>

namespace lp {

void GifFrameList::GrowForOneMore() {
    if (m_frames.size() < m_frames.capacity()) return;
    std::size_t step = m_growStep;
    if (step == 0) step = std::clamp<std::size_t>(m_frames.size() / 8, 4, 1024);
    m_frames.reserve(m_frames.size() + step);
}

GifFrame& GifFrameList::Add(GifFrame frame) {
    GrowForOneMore();
    m_frames.push_back(std::move(frame));
    return m_frames.back();
}

GifFrame& GifFrameList::InsertAt(std::size_t position, GifFrame frame) {
    if (position > m_frames.size()) throw std::out_of_range("GifFrameList::InsertAt");
    GrowForOneMore();
    return *m_frames.insert(m_frames.begin() + static_cast<std::ptrdiff_t>(position), std::move(frame));
}

void GifFrameList::RemoveAt(std::size_t position) {
    if (position >= m_frames.size()) throw std::out_of_range("GifFrameList::RemoveAt");
    m_frames.erase(m_frames.begin() + static_cast<std::ptrdiff_t>(position));
}

}  // namespace lp
