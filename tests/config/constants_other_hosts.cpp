// Compiled with other host settings (see CMakeLists.txt), as a release build is.
#include "config/constants.h"
#include "config/constants_links.h"

namespace duskmere {

MovedConstants constantsBuiltForOtherHosts() {
  return {kPatchHost,
          kApiHost,
          kFeedHost,
          {kLinkAccount, kLinkChangelog, kLinkDiscord, kLinkEvents, kLinkForgotPassword, kLinkNews,
           kLinkRegister, kLinkShop, kLinkSupport, kLinkVote, kLinkWebsite}};
}

}  // namespace duskmere
