// campaign-report [--states FILE] DIR [OUT.html]: a campaign as one HTML page.
#include <iostream>

#include "tools/campaign_report.hpp"

int main(int argc, char** argv) { return zentara::runCampaignReport(argc, argv, std::cout, std::cerr); }
