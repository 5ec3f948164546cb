// The letter shift that DBPassword is stored with. The desktop manager scrambles before it
// saves a profile; the conduit and the views unscramble before connecting. Stored profile
// databases rely on the exact rule, so it never changes.
#pragma once

#include <string>
#include <string_view>

namespace velmora::profile {

// Text is UTF-8; positions count UTF-16 code units, as the stored databases were written.
// The character at position i moves k = (i + 1) mod 27 letters on (a–z and A–Z, each wrapping
// within its case); everything else is unchanged.
std::string ScramblePassword(std::string_view plain);
std::string UnscramblePassword(std::string_view scrambled);

}  // namespace velmora::profile
