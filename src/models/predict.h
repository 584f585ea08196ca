// Critical-frequency predictions of foE, foF1 and foF2.
#pragma once

namespace kolm {

// Predicted foE, foF1, foF2 of the current record into REALIN(43), (44), (46)
// and DERPAR; may replace the sunspot number ISSN by the monthly value.
void PREDICT();

}  // namespace kolm
