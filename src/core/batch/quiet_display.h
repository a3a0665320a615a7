#pragma once

#include "core/batch/image_batch.h"
#include "core/render/null_canvas.h"

#include <string>

namespace lirovane {

// A batch display for runs without a window: its surface draws nothing, and the
// address of the finished page is kept for the caller instead of being shown.
class QuietDisplay : public BatchDisplay {
public:
    Canvas& Surface() override { return m_surface; }
    void Navigate(const std::string& url) override { m_url = url; }

    const std::string& Url() const noexcept { return m_url; }

private:
    NullCanvas m_surface{0, 0};
    std::string m_url;
};

} // namespace lirovane
