// Any bytes as an imported correction (GraphicEQ or parametric text) and as
// a custom mode document: each is read or refused with a reason, and what is
// read stays within bounds through the fit and survives being written again.

#include "CorrectionImport.h"
#include "EqFit.h"
#include "GainText.h"
#include "GuardedBytes.h"
#include "ModeTransfer.h"

#include <QByteArray>

#include <cmath>

namespace {

void checkCorrection(const QByteArray& bytes)
{
    const CorrectionRead read = readCorrection(bytes, kDefaultSampleRateHz);
    fuzzCheck(read.ok != !read.error.isEmpty(), "a correction is read or refused with a reason");
    fuzzCheck(read.ok != read.target.empty(), "a correction read has a target, a refused none");
    if (!read.ok)
        return;
    for (size_t i = 0; i < read.target.size(); ++i) {
        fuzzCheck(std::isfinite(read.target[i].hz) && std::isfinite(read.target[i].db),
                  "a target holds finite numbers");
        fuzzCheck(i == 0 || read.target[i].hz > read.target[i - 1].hz,
                  "a target's frequencies rise");
    }
    const EqFit fit = fitToBands(read.target, headsetBands(*frame::peqQTable(6, 0x1054), 0));
    fuzzCheck(headsetGains(fit.gains) == fit.gains, "fitted gains are gains the headset takes");
    fuzzCheck(std::isfinite(fit.maxErrorDb) && fit.maxErrorDb >= 0,
              "the remaining error is a finite size");
}

void checkModeDocument(const QByteArray& bytes)
{
    const ModeRead read = readModeJson(bytes);
    fuzzCheck(read.ok != !read.error.isEmpty(), "a mode is read or refused with a reason");
    if (!read.ok)
        return;
    const ModeRead again = readModeJson(modeToJson(read.mode, read.productId.value_or(0)));
    fuzzCheck(again.ok && again.mode == read.mode, "a mode read survives being written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    checkCorrection(bytes);
    checkModeDocument(bytes);
    return 0;
}
