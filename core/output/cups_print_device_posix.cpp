// The default CUPS destination as the system's printer: the page is drawn as a PDF at
// the printer's resolution and sent as one job.

#include <cups/cups.h>

#include <memory>
#include <optional>

#include "config/log.h"
#include "output/pdf_page.h"
#include "output/system_print_device.h"

namespace {

// Connecting to the print server and each exchange with it give up after this long,
// so a hung server cannot hold the pinpad's print request for good.
constexpr int kServerConnectMs = 30'000;
constexpr double kServerExchangeSeconds = 30.0;

int GiveUpOnTimeout(http_t*, void*) { return 0; }

struct HttpClose {
    void operator()(http_t* http) const { httpClose(http); }
};
struct DestFree {
    void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
struct DestInfoFree {
    void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};
using Http = std::unique_ptr<http_t, HttpClose>;
using Dest = std::unique_ptr<cups_dest_t, DestFree>;

Http ConnectToServer() {
    Http http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                           kServerConnectMs, nullptr));
    if (http) httpSetTimeout(http.get(), kServerExchangeSeconds, GiveUpOnTimeout, nullptr);
    return http;
}

// Paper and resolution as the destination reports them, else the defaults.
PageGeometry GeometryOf(http_t* http, cups_dest_t* dest) {
    PageGeometry geometry = kDefaultPage;
    std::unique_ptr<cups_dinfo_t, DestInfoFree> info(cupsCopyDestInfo(http, dest));
    if (!info) return geometry;

    cups_size_t media{};
    if (cupsGetDestMediaDefault(http, dest, info.get(), 0, &media) && media.width > 0 && media.length > 0) {
        constexpr double kPointsPerHundredthMm = 72.0 / 2540.0;
        geometry.widthPoints = media.width * kPointsPerHundredthMm;
        geometry.heightPoints = media.length * kPointsPerHundredthMm;
    }
    if (ipp_attribute_t* resolution = cupsFindDestDefault(http, dest, info.get(), "printer-resolution")) {
        int vertical = 0;
        ipp_res_t units = IPP_RES_PER_INCH;
        const int horizontal = ippGetResolution(resolution, 0, &vertical, &units);
        const int perInch = units == IPP_RES_PER_CM ? horizontal * 254 / 100 : horizontal;
        if (perInch > 0) geometry.dotsPerInch = perInch;
    }
    return geometry;
}

class CupsPrintDevice : public PrintDevice {
public:
    DocumentStart BeginDocument(const std::string& name) override {
        name_ = name;
        http_ = ConnectToServer();
        if (http_) dest_.reset(cupsGetNamedDest(http_.get(), nullptr, nullptr));
        if (!dest_) return DocumentStart::NoDefaultPrinter;

        cups_option_t* options = nullptr;
        const int optionCount = cupsAddOption("copies", "1", 0, &options);
        job_ = cupsCreateJob(http_.get(), dest_->name, name.c_str(), optionCount, options);
        cupsFreeOptions(optionCount, options);
        if (job_ <= 0) {
            LogMessage("Error: print job not created: %s", cupsLastErrorString());
            return DocumentStart::JobNotStarted;
        }
        page_.emplace(GeometryOf(http_.get(), dest_.get()));
        return DocumentStart::Started;
    }

    void DrawText(int x, int y, const std::string& text, const PrintFont& font) override {
        if (page_) page_->DrawText(x, y, text, font);
    }

    void EndDocument() override {
        if (!page_) return;
        const std::string document = page_->Finish();
        page_.reset();
        if (document.empty() || !Submit(document)) {
            LogMessage("Error: print job %d not sent: %s", job_, cupsLastErrorString());
            cupsCancelJob2(http_.get(), dest_->name, job_, 0);
        }
    }

private:
    bool Submit(const std::string& document) {
        if (cupsStartDocument(http_.get(), dest_->name, job_, name_.c_str(), CUPS_FORMAT_PDF, 1) !=
            HTTP_STATUS_CONTINUE) {
            return false;
        }
        const bool written =
            cupsWriteRequestData(http_.get(), document.data(), document.size()) == HTTP_STATUS_CONTINUE;
        const bool finished = cupsFinishDocument(http_.get(), dest_->name) == IPP_STATUS_OK;
        return written && finished;
    }

    std::string name_;
    Http http_;
    Dest dest_;
    int job_ = 0;
    std::optional<PdfPage> page_;
};

}  // namespace

std::unique_ptr<PrintDevice> MakeSystemPrintDevice() { return std::make_unique<CupsPrintDevice>(); }
