#include "attribution/record_display.h"

#include "attribution/carrier.h"
#include "attribution/lookup.h"
#include "services/db/record_set.h"
#include "services/window/window.h"
#include "ui/pictures/pictures.h"

void show_carrier_logo(Window& recordWindow, const Text& mobile) {
    Control logo = recordWindow.control(T("图片框1"));
    RecordSet* carriers = recordWindow.recordSet(T("记录集2"));
    const Text carrier = carriers ? carrier_of_number(*carriers, mobile) : Text();
    if (carrier == T("联通")) logo.setPicture(PictureResource(Pictures::CarrierLogoLianTong));
    else if (carrier == T("移动")) logo.setPicture(PictureResource(Pictures::CarrierLogoYiDong));
    else if (carrier == T("电信")) logo.setPicture(PictureResource(Pictures::CarrierLogoDianXin));
    else logo.setPicture(Bytes());
}

void show_attribution(Window& recordWindow, RecordSet& contacts, const Text& serviceAddress) {
    const Text status = attribution_status_text(attribution_of_current_contact(contacts, serviceAddress));
    if (status.empty()) return;
    Control label = recordWindow.control(T("透明标签_当前选择"));
    label.setText(label.text() + status);
}
