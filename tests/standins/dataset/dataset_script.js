// The dataset stand-ins from a script host: the sample drive test and a dataset filled by hand,
// through the names and the IDispatch each class answers with.
function check(condition, what) {
    if (!condition) {
        WScript.Echo("FAILED: " + what);
        WScript.Quit(1);
    }
}

var sample = new ActiveXObject("VadazHost.SampleDataset");
check(sample.RowCount == 5000, "sample starts with 5000 rows, has " + sample.RowCount);
sample.RowCount = 1200;
check(sample.RowCount == 1200, "row count set");

var dataset = new ActiveXObject("VadazHost.Dataset");
check(dataset.AddField("Latitude", 13) == 0, "first field");
check(dataset.AddField("Longitude", 12) == 1, "second field");
var row = dataset.AddRow();
dataset.SetValue(row, "Latitude", 50.25);
dataset.SetValue(row, 1, 10.5);
check(dataset.GetValue(0, "Latitude") == 50.25, "value read back");
check(dataset.RowCount == 1, "one row");
dataset.DatasetName = "Drive 1";

var config = new ActiveXObject("VadazHost.FieldConfiguration");
config.AddChild("SeriesType", "CellRefs");
var dims = config.AddChild("Dimensions", null);
dims.AddChild("Dimension", "RxLev");
check(config.Child("Dimensions").ChildAt(0).NodeValue == "RxLev", "configuration tree");
check(config.ChildCount == 2, "two children");

var style = new ActiveXObject("VadazHost.FieldStyle");
check(style.AddClass(-90, -70, "fair", 41, 8, 65535) == 0, "style entry");
style.Decimals = 2;
check(style.ClassCount == 1, "one entry");

WScript.Echo("completed: the dataset reached from script");
WScript.Quit(0);
