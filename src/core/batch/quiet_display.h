#pragma once

#include "core/batch/image_batch.h"
#include "core/render/null_canvas.h"

#include <string>

namespace lirovane {

// A batch display for runs without a window: its surface draws nothing, and no
// page is shown (the run's report holds its address).
class QuietDisplay : public BatchDisplay {
public:
    Canvas& Surface() override { return m_surface; }
    void Navigate(const std::string& /*url*/) override {}

private:
    NullCanvas m_surface{0, 0};
};

} // namespace lirovane
