#include "ecr_ticket_files.h"

#include <fstream>
#include <sstream>

#include "output/ticket_render.h"

std::vector<std::string> TicketLines(const std::vector<std::uint8_t>& records) {
    std::vector<std::string> lines;
    std::istringstream text(RenderTicketText(records));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

bool WriteTicketFiles(const std::vector<std::uint8_t>& records, const std::string& textPath,
                      const std::string& pdfPath, std::string& error) {
    if (!textPath.empty()) {
        std::ofstream out(textPath, std::ios::binary | std::ios::trunc);
        out << RenderTicketText(records);
        if (!out.flush()) {
            error = "cannot write " + textPath;
            return false;
        }
    }
    if (!pdfPath.empty() && RenderTicketPdf(records, pdfPath) != 0) {
        error = "cannot write " + pdfPath;
        return false;
    }
    return true;
}
