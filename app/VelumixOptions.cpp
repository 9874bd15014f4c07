#include "VelumixOptions.h"

#include "NumberText.h"

namespace {

const QString kSimulate = QStringLiteral("--simulate");
const QString kSimulateWithValue = QStringLiteral("--simulate=");
const QString kHighContrast = QStringLiteral("--high-contrast");

} // namespace

VelumixOptions parseVelumixOptions(const QStringList& arguments)
{
    VelumixOptions options;
    for (const QString& argument : arguments.mid(1)) {
        if (argument == kHighContrast) {
            options.highContrast = true;
            continue;
        }
        const bool bare = argument == kSimulate;
        if (!bare && !argument.startsWith(kSimulateWithValue))
            continue;
        // A second --simulate would leave one of the two silently unused.
        if (options.simulate)
            return {false, 0x1054, false, QStringLiteral("--simulate is given more than once")};
        options.simulate = true;
        const QString digits = bare ? QString() : argument.mid(kSimulateWithValue.size());
        // An empty value is the bare option, as velumixctl reads it too.
        if (digits.isEmpty())
            continue;
        const auto productId = productIdFromText(digits);
        if (!productId)
            return {false, 0x1054, false,
                    QStringLiteral("--simulate: '%1' is not a hexadecimal product ID").arg(digits)};
        options.simulatedProductId = *productId;
    }
    return options;
}
