#include "attribution/record_display.h"

#include "attribution/carrier.h"
#include "attribution/lookup.h"
#include "attribution/mobile_number.h"
#include "attribution/service_refinement.h"
#include "data/address_book.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/window/window.h"
#include "ui/main_window_decl.h"
#include "ui/pictures/pictures.h"
#include "ui/record_window_decl.h"

#include <QWidget>

namespace {

const Text kStatusLabel = T(RecordControls::PositionLabel);

CarrierSegments SegmentsOf(Window& recordWindow) {
    RecordSet* carriers = recordWindow.recordSet(T(RecordControls::Carriers));
    return carriers ? CarrierSegments::read(*carriers) : CarrierSegments();
}

// The window's one question to the service; it goes with the window, and
// with it the question.
ServiceRefinement* RefinementOf(Window& recordWindow, bool create) {
    QWidget* widget = recordWindow.widget();
    if (!widget) return nullptr;
    static const QString name = QStringLiteral("varelo_attribution_service_question");
    auto* refinement = dynamic_cast<ServiceRefinement*>(widget->findChild<QObject*>(name, Qt::FindDirectChildrenOnly));
    if (!refinement && create) {
        refinement = new ServiceRefinement(widget);
        refinement->setObjectName(name);
    }
    return refinement;
}

// Stores a refined attribution for the contact with this key: through the
// record set when it still stands on that contact (so it reads back the new
// value), else through a record set of its own on the book.
void StoreForContact(RecordSet& contacts, const Text& key, const Text& attribution) {
    if (contacts.Position() >= 0 && contacts.ReadText(0) == key) {
        (void)store_attribution(contacts, attribution);
        return;
    }
    DBConnection* book = MainAddressBook();
    if (!book) return;
    RecordSet contact;
    if (contact.SetConnection(*book) && contact.Open(ContactByKeySql(key), RecordSet::kSqlText) && contact.MoveTo(0))
        (void)store_attribution(contact, attribution);
}

}  // namespace

void show_carrier_logo(Window& recordWindow, const Text& mobile) {
    Control logo = recordWindow.control(T(RecordControls::CarrierIcon));
    RecordSet* carriers = recordWindow.recordSet(T(RecordControls::Carriers));
    const Text carrier = carriers ? carrier_of_number(*carriers, mobile) : Text();
    if (carrier == T("联通")) logo.setPicture(PictureResource(Pictures::CarrierLogoLianTong));
    else if (carrier == T("移动")) logo.setPicture(PictureResource(Pictures::CarrierLogoYiDong));
    else if (carrier == T("电信")) logo.setPicture(PictureResource(Pictures::CarrierLogoDianXin));
    else logo.setPicture(Bytes());
}

void show_attribution(Window& recordWindow, RecordSet& contacts, const Text& serviceAddress,
                      std::function<bool()> stillShown) {
    // Whatever was asked for the contact shown before is of no use now.
    if (ServiceRefinement* earlier = RefinementOf(recordWindow, false)) earlier->withdraw();

    const bool wasStored = !contacts.ReadText(T("归属地")).empty();
    const Text shown = attribution_of_current_contact(contacts, SegmentsOf(recordWindow));
    Control label = recordWindow.control(kStatusLabel);
    const Text position = label.text();
    const Text status = attribution_status_text(shown);
    if (!status.empty()) label.setText(position + status);

    const Text number = contacts.ReadText(T("手机"));
    if (wasStored || serviceAddress.empty() || mainland_mobile_digits(number).empty()) return;
    ServiceRefinement* refinement = RefinementOf(recordWindow, true);
    if (!refinement) return;
    const Text key = contacts.ReadText(0);
    Window* window = &recordWindow;
    RecordSet* records = &contacts;
    refinement->ask(number, serviceAddress, [=](const Text& found) {
        if (stillShown && !stillShown()) return;
        if (found == shown) return;
        StoreForContact(*records, key, found);
        // The label is changed only while it still shows what was shown then.
        Control shownLabel = window->control(kStatusLabel);
        if (shownLabel.text() == position + status) shownLabel.setText(position + attribution_status_text(found));
    });
}

bool attribution_service_asked(Window& recordWindow) {
    ServiceRefinement* refinement = RefinementOf(recordWindow, false);
    return refinement && refinement->asking();
}
