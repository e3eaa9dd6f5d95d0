// campaign-report [--states FILE] DIR [OUT.html]: a campaign as one HTML page.
// tools/campaign also asks it for the checked routes of pid files and sshlogin
// files (--route, --sshlogins), so that nothing read from them is parsed in shell.
#include <iostream>
#include <string_view>

#include "tools/campaign_report.hpp"
#include "tools/campaign_route.hpp"

int main(int argc, char** argv) {
    if (argc > 1 && (std::string_view(argv[1]) == "--route" || std::string_view(argv[1]) == "--sshlogins"))
        return zentara::runCampaignRoute(argc, argv, std::cout);
    return zentara::runCampaignReport(argc, argv, std::cout, std::cerr);
}
