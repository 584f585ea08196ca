// Placeholder until the prediction models are built: nothing is predicted.
#include "models/predict.h"

namespace kolm {

void PREDICT() {}

}  // namespace kolm
