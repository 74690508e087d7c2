// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/GstCaptureMode.h"

#include <gst/gst.h>

#include <algorithm>
#include <vector>

namespace mirelon {
namespace {

struct Rate {
    int num;
    int den;
    double value() const { return den > 0 ? static_cast<double>(num) / den : 0.0; }
};

// One offered combination of encoding, format and size with its rates.
struct Offer {
    CaptureMode::Encoding encoding;
    QString format;
    int width;
    int height;
    std::vector<Rate> rates;       // discrete rates
    std::optional<Rate> rangeMin;  // a continuous range, when offered as one
    std::optional<Rate> rangeMax;

    double bestRate() const {
        double best = rangeMax ? rangeMax->value() : 0.0;
        for (const Rate& r : rates) {
            best = std::max(best, r.value());
        }
        return best;
    }
    // The offered rate to pin for a wish of `target` fps at `minimum` fps or more:
    // the lowest rate at or above the target when there is one, else the highest
    // rate at or above the minimum. None when no rate reaches the minimum.
    std::optional<Rate> pick(double target, double minimum) const {
        constexpr double kSlack = 0.05;  // 30000/1001 counts as 30
        std::optional<Rate> atTarget;
        std::optional<Rate> below;
        auto consider = [&](Rate r) {
            const double v = r.value();
            if (v + kSlack >= target) {
                if (!atTarget || v < atTarget->value()) {
                    atTarget = r;
                }
            } else if (v + kSlack >= minimum) {
                if (!below || v > below->value()) {
                    below = r;
                }
            }
        };
        for (const Rate& r : rates) {
            consider(r);
        }
        if (rangeMin && rangeMax) {
            const int wanted = static_cast<int>(target);
            if (rangeMin->value() <= wanted + kSlack && rangeMax->value() + kSlack >= wanted) {
                consider(Rate{wanted, 1});
            } else {
                consider(*rangeMax);
            }
        }
        return atTarget ? atTarget : below;
    }
};

bool isGrey(const gchar* format) {
    return format && (g_str_has_prefix(format, "GRAY") || g_str_has_prefix(format, "Y1") ||
                      g_str_equal(format, "Y8") || g_str_equal(format, "Y16"));
}

void collectRates(const GValue* value, Offer& offer) {
    if (!value) {
        return;
    }
    if (GST_VALUE_HOLDS_FRACTION(value)) {
        offer.rates.push_back(
            {gst_value_get_fraction_numerator(value), gst_value_get_fraction_denominator(value)});
    } else if (GST_VALUE_HOLDS_LIST(value)) {
        for (guint i = 0; i < gst_value_list_get_size(value); ++i) {
            collectRates(gst_value_list_get_value(value, i), offer);
        }
    } else if (GST_VALUE_HOLDS_FRACTION_RANGE(value)) {
        const GValue* lo = gst_value_get_fraction_range_min(value);
        const GValue* hi = gst_value_get_fraction_range_max(value);
        offer.rangeMin =
            Rate{gst_value_get_fraction_numerator(lo), gst_value_get_fraction_denominator(lo)};
        offer.rangeMax =
            Rate{gst_value_get_fraction_numerator(hi), gst_value_get_fraction_denominator(hi)};
    }
}

// Fixed sizes only; a size range stands for its largest size.
std::optional<int> dimension(const GstStructure* s, const char* field) {
    const GValue* v = gst_structure_get_value(s, field);
    if (!v) {
        return std::nullopt;
    }
    if (G_VALUE_HOLDS_INT(v)) {
        return g_value_get_int(v);
    }
    if (GST_VALUE_HOLDS_INT_RANGE(v)) {
        return gst_value_get_int_range_max(v);
    }
    return std::nullopt;
}

void collectFormats(const GValue* value, std::vector<QString>& out) {
    if (!value) {
        return;
    }
    if (G_VALUE_HOLDS_STRING(value)) {
        const gchar* f = g_value_get_string(value);
        if (!isGrey(f)) {
            out.push_back(QString::fromUtf8(f));
        }
    } else if (GST_VALUE_HOLDS_LIST(value)) {
        for (guint i = 0; i < gst_value_list_get_size(value); ++i) {
            collectFormats(gst_value_list_get_value(value, i), out);
        }
    }
}

std::vector<Offer> offersOf(const GstCaps* caps) {
    std::vector<Offer> offers;
    if (!caps || gst_caps_is_any(caps)) {
        return offers;
    }
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const GstStructure* s = gst_caps_get_structure(caps, i);
        const auto w = dimension(s, "width");
        const auto h = dimension(s, "height");
        if (!w || !h || *w <= 0 || *h <= 0) {
            continue;
        }
        Offer base{CaptureMode::Encoding::raw, {}, *w, *h, {}, {}, {}};
        collectRates(gst_structure_get_value(s, "framerate"), base);
        if (gst_structure_has_name(s, "image/jpeg")) {
            base.encoding = CaptureMode::Encoding::mjpeg;
            offers.push_back(base);
        } else if (gst_structure_has_name(s, "video/x-raw")) {
            std::vector<QString> formats;
            collectFormats(gst_structure_get_value(s, "format"), formats);
            for (const QString& f : formats) {
                Offer o = base;
                o.format = f;
                offers.push_back(o);
            }
        }
    }
    return offers;
}

// The best offer of one encoding at a size that reaches `target`; YUY2 first.
std::optional<CaptureMode> match(const std::vector<Offer>& offers, CaptureMode::Encoding encoding,
                                 int width, int height, double target, double minimum) {
    std::optional<CaptureMode> found;
    for (const Offer& o : offers) {
        if (o.encoding != encoding || o.width != width || o.height != height) {
            continue;
        }
        const auto rate = o.pick(target, minimum);
        if (!rate) {
            continue;
        }
        CaptureMode mode{encoding, o.format, width, height, rate->num, rate->den};
        if (!found || (o.format == QLatin1String("YUY2") && found->format != o.format) ||
            (found->format == o.format &&
             rate->value() < static_cast<double>(found->fpsNumerator) / found->fpsDenominator)) {
            found = mode;
        }
    }
    return found;
}

std::optional<CaptureMode> atSize(const std::vector<Offer>& offers, int width, int height,
                                  double target, double minimum) {
    if (auto raw = match(offers, CaptureMode::Encoding::raw, width, height, target, minimum)) {
        return raw;
    }
    return match(offers, CaptureMode::Encoding::mjpeg, width, height, target, minimum);
}

}  // namespace

QString CaptureMode::capsString() const {
    const QString size = QStringLiteral("width=(int)%1,height=(int)%2,framerate=(fraction)%3/%4")
                             .arg(width)
                             .arg(height)
                             .arg(fpsNumerator)
                             .arg(fpsDenominator);
    if (encoding == Encoding::mjpeg) {
        return QStringLiteral("image/jpeg,") + size;
    }
    return QStringLiteral("video/x-raw,format=(string)%1,").arg(format) + size;
}

std::optional<CaptureMode> chooseCaptureMode(const GstCaps* caps) {
    const std::vector<Offer> offers = offersOf(caps);
    if (offers.empty()) {
        return std::nullopt;
    }
    if (auto m = atSize(offers, 1920, 1080, 30, 30)) {
        return m;
    }
    if (auto m = atSize(offers, 1280, 720, 30, 30)) {
        return m;
    }
    // The largest size that reaches 24 fps (raw preferred at that size), else
    // the largest size at whatever rate it has.
    for (const double minimum : {24.0, 0.0}) {
        std::vector<const Offer*> sorted;
        for (const Offer& o : offers) {
            if (o.bestRate() + 0.05 >= minimum && o.bestRate() > 0) {
                sorted.push_back(&o);
            }
        }
        std::stable_sort(sorted.begin(), sorted.end(), [](const Offer* a, const Offer* b) {
            return static_cast<qint64>(a->width) * a->height >
                   static_cast<qint64>(b->width) * b->height;
        });
        for (const Offer* o : sorted) {
            if (auto m = atSize(offers, o->width, o->height, 30, minimum)) {
                return m;
            }
        }
    }
    return std::nullopt;
}

std::optional<CaptureMode> chooseCaptureMode(const GstCaps* caps, QSize wanted) {
    const auto preset = chooseCaptureMode(caps);
    if (!preset || wanted.isEmpty()) {
        return preset;
    }
    const std::vector<Offer> offers = offersOf(caps);
    const qint64 presetArea = qint64(preset->width) * preset->height;
    for (const double minimum : {30.0, 24.0, 0.0}) {
        std::vector<const Offer*> covering;
        bool anyAtRate = false;
        for (const Offer& o : offers) {
            if (o.bestRate() + 0.05 < minimum || o.bestRate() <= 0) {
                continue;
            }
            anyAtRate = true;
            if (o.width >= wanted.width() && o.height >= wanted.height() &&
                qint64(o.width) * o.height <= presetArea) {
                covering.push_back(&o);
            }
        }
        if (!anyAtRate) {
            continue;  // no size reaches this rate: try the next rule
        }
        std::stable_sort(covering.begin(), covering.end(), [](const Offer* a, const Offer* b) {
            return qint64(a->width) * a->height < qint64(b->width) * b->height;
        });
        for (const Offer* o : covering) {
            if (auto m = atSize(offers, o->width, o->height, 30, minimum)) {
                return m;
            }
        }
        return preset;  // nothing at this rate covers the picture
    }
    return preset;
}

std::optional<CaptureMode> chooseCaptureMode(const QString& capsString, QSize wanted) {
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
    GstCaps* caps = gst_caps_from_string(capsString.toUtf8().constData());
    if (!caps) {
        return std::nullopt;
    }
    auto mode = chooseCaptureMode(caps, wanted);
    gst_caps_unref(caps);
    return mode;
}

bool shouldSwitchMode(const CaptureMode& current, const std::optional<CaptureMode>& best,
                      QSize wanted) {
    if (!best || *best == current || wanted.isEmpty()) {
        return false;
    }
    const bool outgrown =
        wanted.width() * 10 > current.width * 11 || wanted.height() * 10 > current.height * 11;
    const bool muchSmaller =
        wanted.width() * 2 <= current.width && wanted.height() * 2 <= current.height;
    const bool bestIsLarger =
        qint64(best->width) * best->height > qint64(current.width) * current.height;
    return (outgrown && bestIsLarger) || (muchSmaller && !bestIsLarger);
}

std::optional<CaptureMode> chooseCaptureMode(const QString& capsString) {
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
    GstCaps* caps = gst_caps_from_string(capsString.toUtf8().constData());
    if (!caps) {
        return std::nullopt;
    }
    auto mode = chooseCaptureMode(caps);
    gst_caps_unref(caps);
    return mode;
}

}  // namespace mirelon
