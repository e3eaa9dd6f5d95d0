// campaign-report [--states FILE] DIR [OUT.html]: a campaign as one HTML page.
// tools/campaign also asks it for the checked routes of pid files and sshlogin
// files (--route, --sshlogins), for the fields of campaign.txt and
// stop.requested (--field) and for everything else it reads or works out
// (campaign/campaign_script.hpp), so that nothing read is parsed in shell.
#include <iostream>
#include <string_view>

#include "campaign/campaign_fields.hpp"
#include "campaign/campaign_report.hpp"
#include "campaign/campaign_route.hpp"
#include "campaign/campaign_script.hpp"

int main(int argc, char** argv) {
    if (argc > 1 && (std::string_view(argv[1]) == "--route" || std::string_view(argv[1]) == "--sshlogins"))
        return zentara::runCampaignRoute(argc, argv, std::cout);
    if (argc > 1 && std::string_view(argv[1]) == "--field") return zentara::runCampaignField(argc, argv, std::cout);
    if (const int answered = zentara::answerCampaignScript(argc, argv, std::cout, std::cerr); answered >= 0) return answered;
    return zentara::runCampaignReport(argc, argv, std::cout, std::cerr);
}
