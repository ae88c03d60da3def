// The "visit to Asia" chest-clinic network of Lauritzen and Spiegelhalter (1988), in the system's own
// text format. Tables list the node's own outcomes fastest, the parents' outcomes in PARENTS order.
net Asia
{
 HEADER =
  {
   ID = Asia;
   NAME = "Asia";
   COMMENT = "Chest clinic: a visit to Asia, smoking, and the diseases an X-ray and dyspnoea point to.";
  };
 CREATION =
  {
   CREATOR = "vovido examples";
  };

 node VisitAsia
  {
   TYPE = CPT;
   HEADER = { ID = VisitAsia; NAME = "Visit to Asia"; };
   PARENTS = ();
   DEFINITION =
    {
     NAMESTATES = (yes, no);
     PROBABILITIES = (0.01000000, 0.99000000);
    };
  };

 node Smoker
  {
   TYPE = CPT;
   HEADER = { ID = Smoker; NAME = "Smoker"; };
   PARENTS = ();
   DEFINITION =
    {
     NAMESTATES = (yes, no);
     PROBABILITIES = (0.50000000, 0.50000000);
    };
  };

 node Tuberculosis
  {
   TYPE = CPT;
   HEADER = { ID = Tuberculosis; NAME = "Tuberculosis"; };
   PARENTS = (VisitAsia);
   DEFINITION =
    {
     NAMESTATES = (yes, no);
     PROBABILITIES = (0.05000000, 0.95000000, 0.01000000, 0.99000000);
    };
  };

 node LungCancer
  {
   TYPE = CPT;
   HEADER = { ID = LungCancer; NAME = "Lung cancer"; };
   PARENTS = (Smoker);
   DEFINITION =
    {
     NAMESTATES = (yes, no);
     PROBABILITIES = (0.10000000, 0.90000000, 0.01000000, 0.99000000);
    };
  };

 node Bronchitis
  {
   TYPE = CPT;
   HEADER = { ID = Bronchitis; NAME = "Bronchitis"; };
   PARENTS = (Smoker);
   DEFINITION =
    {
     NAMESTATES = (yes, no);
     PROBABILITIES = (0.60000000, 0.40000000, 0.30000000, 0.70000000);
    };
  };

 node TbOrCancer
  {
   TYPE = TRUTHTABLE;
   HEADER = { ID = TbOrCancer; NAME = "Tuberculosis or cancer"; };
   PARENTS = (Tuberculosis, LungCancer);
   DEFINITION =
    {
     NAMESTATES = (yes, no);
     RESULTINGSTATES = (yes, yes, yes, no);
    };
  };

 node XRay
  {
   TYPE = CPT;
   HEADER = { ID = XRay; NAME = "Positive X-ray"; };
   PARENTS = (TbOrCancer);
   DEFINITION =
    {
     NAMESTATES = (yes, no);
     PROBABILITIES = (0.98000000, 0.02000000, 0.05000000, 0.95000000);
    };
  };

 node Dyspnea
  {
   TYPE = CPT;
   HEADER = { ID = Dyspnea; NAME = "Dyspnoea"; };
   PARENTS = (TbOrCancer, Bronchitis);
   DEFINITION =
    {
     NAMESTATES = (yes, no);
     PROBABILITIES = (0.90000000, 0.10000000, 0.70000000, 0.30000000, 0.80000000, 0.20000000,
                      0.10000000, 0.90000000);
    };
  };
};
