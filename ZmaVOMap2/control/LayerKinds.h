// The layer kinds the control offers, registered once in the layer factory.
#pragma once

void RegisterLayerKinds();
