#pragma once

#include "figures.h"
#include "reportcsv.h"

#include <QString>

#include <optional>
#include <vector>

// What a reporter asked for, checked as far as it can be without the store: one report, a batch
// (all or nothing), a count declared final, or a refusal to be audited as it is answered.
struct Submission
{
    enum class Kind { Report, Batch, Final, Refusal };

    Kind kind = Kind::Refusal;
    QString reporter;
    QString client;
    QString request;                     // method and path
    QString area;                        // Report: municipality; Final: county ("00": the country)
    int district = 0;                    // Report
    std::optional<Figures> figures;      // Report, and a Refusal's if they could be read
    std::optional<QString> correction;   // Report
    std::vector<ReportCsv::Line> lines;  // Batch
    int status = 0;                      // Refusal
    QString reason;                      // Refusal
};
