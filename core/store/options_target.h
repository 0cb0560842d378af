#pragma once
// What receives a project's editing options: the processing job, or a stand-in in tests. Each setter
// stores the value into the project and asks for it to be saved.
#include <cstdint>

#include "core/photo/analysis_records.h"

namespace orvane {

class OptionsTarget {
public:
    virtual ~OptionsTarget() = default;
    virtual void setStraightenRequested(bool on) = 0;
    virtual void setProfileCorrection(bool on) = 0;
    virtual void setNoiseReduction(bool on) = 0;
    virtual void setCrop(const CropSettings& crop) = 0;
    virtual void setTeethAmount(std::int64_t amount) = 0;
    virtual void setSkinAmount(std::int64_t amount) = 0;
    virtual void setFaceLevelAmount(std::int64_t amount) = 0;
    virtual void setSubjectMaskAmount(std::int64_t amount) = 0;
    virtual void setSkinParams(const SkinParams& params) = 0;
    virtual void setSmartReframe(bool on) = 0;
};

}  // namespace orvane
